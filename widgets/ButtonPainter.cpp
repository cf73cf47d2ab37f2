#include "widgets/ButtonPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace tonalix::widgets {

namespace {
constexpr int kMargin = 4;
constexpr int kTextFlags = Qt::TextWordWrap | Qt::TextShowMnemonic;

int alignFlag(int captionAlign) {
  switch (captionAlign) {
    case 0: return Qt::AlignLeft;
    case 1: return Qt::AlignRight;
    default: return Qt::AlignHCenter;
  }
}

QColor shade(const QColor& c, int delta) {
  return QColor(std::clamp(c.red() + delta, 0, 255), std::clamp(c.green() + delta, 0, 255),
                std::clamp(c.blue() + delta, 0, 255));
}

// Draws the picture greyed: dark parts become grey, light parts leave the face showing.
QPixmap disabledPicture(const QPixmap& source) {
  QImage img = source.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const int grey = qGray(line[x]);
      const int alpha = grey < 160 ? qAlpha(line[x]) : 0;
      line[x] = qRgba(128, 128, 128, alpha);
    }
  }
  return QPixmap::fromImage(img);
}
}  // namespace

QString ButtonPainter::displayText(const QString& caption) {
  QString text = caption;
  text.replace(QLatin1String("||"), QLatin1String("\n"));
  return text;
}

ButtonLayout ButtonPainter::layout(const ButtonLook& look) {
  const int w = look.size.width();
  const int h = look.size.height();
  ButtonLayout out;
  const bool hasPicture = !look.picture.isNull();
  const int p = hasPicture && look.pictureSize <= 32 ? look.pictureSize : 0;
  const bool side = look.pictureAlign <= 3;
  const int lp = (look.pictureAlign == 0 || look.pictureAlign == 1) ? p : 0;
  const int rp = (look.pictureAlign == 2 || look.pictureAlign == 3) ? p : 0;
  const int above = look.pictureAlign == 4 ? p : 0;
  const int below = look.pictureAlign == 5 ? p : 0;

  QSize text(0, 0);
  const QString shown = displayText(look.caption);
  if (!shown.isEmpty()) {
    const QFontMetrics fm(look.font);
    const QRect box(0, 0, std::max(1, w - 2 * kMargin - lp - rp),
                    std::max(1, h - 2 * kMargin - above - below));
    text = fm.boundingRect(box, kTextFlags | alignFlag(look.captionAlign), shown).size();
    if (look.captionStyle != 0) text += QSize(2, 2);
  }
  const int tw = text.width();
  const int th = text.height();

  int left = 0;
  switch (look.captionAlign) {
    case 0: left = kMargin + lp + (lp > 0 ? kMargin : 0); break;
    case 1: left = w - rp - tw - kMargin - (rp > 0 ? kMargin : 0); break;
    default: left = lp + (w - lp - rp - tw) / 2; break;
  }
  int top = (h - th) / 2;
  int picTop = (h - p) / 2;
  if (!side && p > 0) {
    const int v = (h - (th + p)) / 2;
    if (look.pictureAlign == 4) {
      picTop = v;
      top = v + p + 2;
    } else {
      top = v + 2;
      picTop = v + th + 4;
    }
  }
  out.caption = QRect(left, top, tw, th);
  out.caption.setTop(std::max(out.caption.top(), kMargin));
  out.caption.setLeft(std::max(out.caption.left(), kMargin));
  out.caption.setRight(std::min(out.caption.right(), w - kMargin - 1));
  out.caption.setBottom(std::min(out.caption.bottom(), h - kMargin - 2));

  if (hasPicture) {
    if (look.pictureSize == 40) {
      out.picture = QRect(3, 3, w - 6, h - 6);
    } else if (look.pictureSize == 48) {
      const QSize fit = look.picture.size().scaled(std::max(1, w - 12), std::max(1, h - 12),
                                                   Qt::KeepAspectRatio);
      out.picture = QRect((w - fit.width()) / 2, (h - fit.height()) / 2, fit.width(), fit.height());
    } else {
      int picLeft = kMargin;
      const bool noCaption = shown.isEmpty();
      switch (look.pictureAlign) {
        case 0: picLeft = kMargin; break;
        case 1: picLeft = noCaption ? kMargin : out.caption.left() - p - kMargin; break;
        case 2: picLeft = w - kMargin - p; break;
        case 3: picLeft = noCaption ? w - kMargin - p : out.caption.right() + 1 + kMargin; break;
        default: picLeft = (w - p) / 2; break;
      }
      out.picture = QRect(std::max(picLeft, kMargin), std::max(picTop, kMargin), p, p);
    }
  }
  return out;
}

void ButtonPainter::paint(QPixmap& target, const ButtonLook& look) {
  const int w = look.size.width();
  const int h = look.size.height();
  if (w <= 0 || h <= 0) return;
  QPainter painter(&target);
  const QRect all(0, 0, w, h);

  QColor fill = look.face;
  if (look.checked) fill = shade(look.face, 24);
  if (look.hovering && !look.pushed && !look.checked) fill = look.hoverFace;
  if (look.pushed) fill = shade(look.face, -24);
  if (!look.enabled) fill = look.face;
  painter.fillRect(all, fill);

  // A sunken frame while pushed or checked, a raised one otherwise.
  const bool sunken = look.enabled && (look.pushed || look.checked || look.held);
  const QColor light = sunken ? shade(fill, -96) : shade(fill, 64);
  const QColor dark = sunken ? shade(fill, 64) : shade(fill, -96);
  painter.setPen(light);
  painter.drawLine(0, 0, w - 2, 0);
  painter.drawLine(0, 0, 0, h - 2);
  painter.setPen(dark);
  painter.drawLine(w - 1, 0, w - 1, h - 1);
  painter.drawLine(0, h - 1, w - 1, h - 1);

  const ButtonLayout rects = layout(look);
  const QPoint offset = (look.pushed || look.checked) ? QPoint(1, 1) : QPoint(0, 0);

  if (!look.picture.isNull() && rects.picture.isValid()) {
    const QRect r = rects.picture.translated(offset);
    const QPixmap shown = look.enabled ? look.picture : disabledPicture(look.picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawPixmap(r, shown);
  }

  const QString text = displayText(look.caption);
  if (!text.isEmpty()) {
    painter.setFont(look.font);
    const int flags = kTextFlags | alignFlag(look.captionAlign) | Qt::AlignVCenter;
    const QRect r = rects.caption.translated(offset);
    if (!look.enabled) {
      painter.setPen(Qt::white);
      painter.drawText(r.translated(1, 1), flags, text);
      painter.setPen(QColor(0x80, 0x80, 0x80));
      painter.drawText(r, flags, text);
    } else {
      if (look.captionStyle != 0) {
        const int d = look.captionStyle == 1 ? -40 : 40;
        painter.setPen(shade(fill, d));
        painter.drawText(r.translated(-1, 0), flags, text);
        painter.setPen(shade(fill, -d));
        painter.drawText(r.translated(1, 2), flags, text);
      }
      painter.setPen(look.hovering && !look.pushed ? look.hoverForeColor : look.foreColor);
      painter.drawText(look.captionStyle != 0 ? r.translated(0, 1) : r, flags, text);
    }
  }

  if (look.focusLook && look.enabled) {
    const QRect base = text.isEmpty() && rects.picture.isValid() ? rects.picture : rects.caption;
    QRect focus = base.isValid() ? base.adjusted(-2, -2, 2, 2).translated(offset)
                                 : all.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    focus = focus.intersected(all.adjusted(1, 1, -2, -2));
    QPen pen(look.checked ? QColor(Qt::black) : shade(fill, -128), 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(focus);
  }
}

}  // namespace tonalix::widgets

#include "keyboard/KeyStripLabel.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tonalix::keyboard {

KeyStripLabel::KeyStripLabel(QWidget* parent) : QWidget(parent) {
  // Transparent: the window's background shows between the names.
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void KeyStripLabel::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void KeyStripLabel::setForeColor(const QColor& colour) {
  foreColor_ = colour;
  update();
}

void KeyStripLabel::setNameCentres(const QList<qreal>& centres) {
  centres_ = centres;
  update();
}

QList<KeyStripLabel::Word> KeyStripLabel::words() const {
  QList<Word> out;
  int i = 0;
  const int n = static_cast<int>(caption_.size());
  while (i < n) {
    if (caption_[i].isSpace()) {
      ++i;
      continue;
    }
    const int start = i;
    while (i < n && !caption_[i].isSpace()) ++i;
    out.push_back({caption_.mid(start, i - start), start});
  }
  return out;
}

QStringList KeyStripLabel::names() const {
  QStringList out;
  for (const Word& w : words()) out << w.text;
  return out;
}

QList<QRectF> KeyStripLabel::nameRects() const {
  const QFontMetricsF metrics(font());
  const QList<Word> ws = words();
  // Without key centres every character column gets an equal share of the width.
  const qreal columnWidth = caption_.isEmpty() ? 0 : width() / qreal(caption_.size());
  QList<QRectF> rects;
  for (int k = 0; k < ws.size(); ++k) {
    const qreal w = metrics.horizontalAdvance(ws[k].text);
    const qreal centre = k < centres_.size() ? centres_[k]
                                             : (ws[k].column + ws[k].text.size() / 2.0) * columnWidth;
    rects.push_back(QRectF(centre - w / 2.0, 0, w, height()));
  }
  return rects;
}

void KeyStripLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setFont(font());
  p.setPen(foreColor_);
  const QStringList ns = names();
  const QList<QRectF> rects = nameRects();
  for (int k = 0; k < ns.size(); ++k)
    p.drawText(rects[k], Qt::AlignHCenter | Qt::AlignBottom | Qt::TextDontClip, ns[k]);
}

}  // namespace tonalix::keyboard

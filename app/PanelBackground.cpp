#include "app/PanelBackground.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include "widgets/TwipsToPixels.h"

namespace tonalix {

namespace {
constexpr int kKeyBedTop = 3225 / widgets::kTwipsPerPixel;     // where the keys start
constexpr int kKeyBedBottom = 4920 / widgets::kTwipsPerPixel;  // where the white keys end
constexpr int kLabelStripTop = 2925 / widgets::kTwipsPerPixel;
}  // namespace

PanelBackground::PanelBackground(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelBackground::resizeEvent(QResizeEvent*) { paintPanel(); }

void PanelBackground::paintEvent(QPaintEvent*) {
  if (cache_.isNull() || cache_.deviceIndependentSize().toSize() != size()) paintPanel();
  QPainter p(this);
  p.drawPixmap(0, 0, cache_);
}

void PanelBackground::paintPanel() {
  const qreal dpr = devicePixelRatioF();
  cache_ = QPixmap(QSize(qRound(width() * dpr), qRound(height() * dpr)));
  cache_.setDevicePixelRatio(dpr);
  QPainter p(&cache_);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = width(), h = height();

  // Deep lacquer body with a soft light from above.
  QLinearGradient body(0, 0, 0, h);
  body.setColorAt(0.0, QColor(46, 40, 44));
  body.setColorAt(0.45, QColor(24, 21, 24));
  body.setColorAt(1.0, QColor(12, 11, 13));
  p.fillRect(QRectF(0, 0, w, h), body);

  // Fine horizontal brushing, fixed seed so the panel looks the same every run.
  // Each stroke is a one-pixel row filled, not a line stroked: an antialiased line costs
  // several times a fill for the same pixels, and these are most of the panel's drawing.
  QRandomGenerator grain(4040);
  for (int y = 0; y < kLabelStripTop - 4; y += 2) {
    const int alpha = 4 + static_cast<int>(grain.bounded(7));
    p.fillRect(QRectF(0, y, w, 1), QColor(255, 255, 255, alpha));
  }

  QRadialGradient glow(w * 0.25, 0, w * 0.6);
  glow.setColorAt(0.0, QColor(120, 90, 150, 40));
  glow.setColorAt(1.0, QColor(0, 0, 0, 0));
  p.fillRect(QRectF(0, 0, w, kLabelStripTop), glow);

  // Gold pinstripe framing the control area.
  p.setPen(QPen(QColor(196, 160, 92, 150), 1.0));
  p.drawRoundedRect(QRectF(6.5, 6.5, w - 13, kLabelStripTop - 11), 6, 6);

  // Shallow recesses that gather the control groups: sound controls, drum pads, songs.
  for (const QRectF& area : {QRectF(10.5, 49.5, 313, 139), QRectF(326.5, 25.5, 211, 163),
                             QRectF(540.5, 41.5, 215, 147)}) {
    QLinearGradient inset(0, area.top(), 0, area.bottom());
    inset.setColorAt(0.0, QColor(0, 0, 0, 90));
    inset.setColorAt(1.0, QColor(0, 0, 0, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(inset);
    p.drawRoundedRect(area, 5, 5);
    // Shadow along the upper lip, light along the lower one: the area reads as sunk in.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 150), 1));
    p.drawRoundedRect(area, 5, 5);
    p.setPen(QPen(QColor(255, 240, 220, 28), 1));
    p.drawLine(QPointF(area.left() + 5, area.bottom() + 1), QPointF(area.right() - 5, area.bottom() + 1));
  }

  // The felt strip the keys rest against and the dark key bed beneath them.
  const QRectF bed(14, kKeyBedTop - 6, w - 28, kKeyBedBottom - kKeyBedTop + 12);
  p.fillRect(QRectF(bed.left(), kLabelStripTop - 2, bed.width(), kKeyBedTop - kLabelStripTop - 4),
             QColor(10, 9, 10));
  QLinearGradient felt(0, kKeyBedTop - 6, 0, kKeyBedTop);
  felt.setColorAt(0.0, QColor(150, 20, 36));
  felt.setColorAt(1.0, QColor(92, 8, 20));
  p.fillRect(QRectF(bed.left(), kKeyBedTop - 6, bed.width(), 6), felt);
  p.fillRect(QRectF(bed.left(), kKeyBedTop, bed.width(), bed.height() - 6), QColor(6, 6, 7));

  // Cheek blocks at both ends of the keyboard.
  for (qreal x : {qreal(0), w - 20}) {
    QLinearGradient cheek(x, 0, x + 20, 0);
    cheek.setColorAt(0.0, QColor(30, 26, 30));
    cheek.setColorAt(0.5, QColor(64, 56, 62));
    cheek.setColorAt(1.0, QColor(30, 26, 30));
    p.fillRect(QRectF(x, kKeyBedTop - 8, 20, bed.height() + 4), cheek);
  }

  // Name plate.
  QFont name(QStringLiteral("DejaVu Serif"));
  name.setPixelSize(22);
  name.setItalic(true);
  name.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
  p.setFont(name);
  p.setPen(QColor(0, 0, 0, 160));
  p.drawText(QRectF(17, 11, w, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tonalix"));
  QLinearGradient gold(0, 12, 0, 40);
  gold.setColorAt(0.0, QColor(246, 222, 160));
  gold.setColorAt(1.0, QColor(176, 132, 60));
  p.setPen(QPen(QBrush(gold), 1));
  p.drawText(QRectF(16, 10, w, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tonalix"));
  QFont studio(QStringLiteral("DejaVu Sans"));
  studio.setPixelSize(10);
  studio.setLetterSpacing(QFont::AbsoluteSpacing, 4);
  p.setFont(studio);
  p.setPen(QColor(200, 190, 200));
  p.drawText(QRectF(18, 36, w, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("STUDIO 4.0"));

  // Bottom rail under the keys.
  QLinearGradient rail(0, kKeyBedBottom + 6, 0, h);
  rail.setColorAt(0.0, QColor(58, 50, 56));
  rail.setColorAt(0.08, QColor(30, 27, 30));
  rail.setColorAt(1.0, QColor(14, 13, 15));
  p.fillRect(QRectF(0, kKeyBedBottom + 6, w, h - kKeyBedBottom - 6), rail);
}

}  // namespace tonalix

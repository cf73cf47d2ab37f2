#include "help/Logo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tonalix::help {

QPixmap TonalixLogo(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF tile(1, 1, size - 2, size - 2);
  QLinearGradient wood(tile.topLeft(), tile.bottomRight());
  wood.setColorAt(0, QColor(0xC8, 0x8A, 0x55));
  wood.setColorAt(1, QColor(0x6E, 0x40, 0x22));
  p.setPen(QPen(QColor(0x3A, 0x22, 0x12), size / 48.0 + 1));
  p.setBrush(wood);
  p.drawRoundedRect(tile, size / 8.0, size / 8.0);

  // Seven white keys with five black ones across the lower half.
  const QRectF keys(size * 0.12, size * 0.52, size * 0.76, size * 0.36);
  const double white = keys.width() / 7;
  p.setPen(QPen(QColor(0x40, 0x30, 0x20), 1));
  p.setBrush(QColor(0xFA, 0xF6, 0xEE));
  for (int i = 0; i < 7; ++i) p.drawRect(QRectF(keys.left() + i * white, keys.top(), white, keys.height()));
  p.setBrush(QColor(0x20, 0x1A, 0x16));
  for (int i : {1, 2, 4, 5, 6}) {
    const double x = keys.left() + i * white - white * 0.3;
    p.drawRect(QRectF(x, keys.top(), white * 0.6, keys.height() * 0.6));
  }

  QFont font(QStringLiteral("DejaVu Serif"));
  font.setBold(true);
  font.setPixelSize(static_cast<int>(size * 0.42));
  p.setFont(font);
  p.setPen(QColor(0xFF, 0xF1, 0xC8));
  p.drawText(QRectF(0, size * 0.06, size, size * 0.46), Qt::AlignCenter, QStringLiteral("T"));
  p.end();
  return pixmap;
}

}  // namespace tonalix::help

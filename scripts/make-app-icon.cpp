// Draws the program's icon for the desktop menus: a deep blue rounded tile holding a short run
// of piano keys under a lit level bar, at every size the hicolor theme is given. Run by
// make-app-icon; each size is drawn afresh rather than scaled, so the small ones stay crisp.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <algorithm>
#include <cstdio>

namespace {

QImage drawIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  const double margin = size <= 24 ? 0.5 : s * 0.06;
  const QRectF tile(margin, margin, s - 2 * margin, s - 2 * margin);

  QPainterPath tileShape;
  tileShape.addRoundedRect(tile, s * 0.16, s * 0.16);
  QLinearGradient back(0, tile.top(), 0, tile.bottom());
  back.setColorAt(0.0, QColor(44, 86, 168));
  back.setColorAt(1.0, QColor(18, 34, 84));
  p.fillPath(tileShape, back);

  // Five white keys filling the lower part of the tile.
  const double inset = tile.width() * 0.12;
  const QRectF keys(tile.left() + inset, tile.top() + tile.height() * 0.38,
                    tile.width() - 2 * inset, tile.height() * 0.50);
  const int whiteCount = 5;
  const double keyWidth = keys.width() / whiteCount;
  const double gap = std::max(1.0, keyWidth * 0.10);
  for (int k = 0; k < whiteCount; ++k) {
    const QRectF key(keys.left() + k * keyWidth + gap / 2, keys.top(), keyWidth - gap, keys.height());
    QLinearGradient ivory(0, key.top(), 0, key.bottom());
    ivory.setColorAt(0.0, QColor(255, 255, 255));
    ivory.setColorAt(1.0, QColor(214, 220, 230));
    QPainterPath shape;
    shape.addRoundedRect(key, keyWidth * 0.12, keyWidth * 0.12);
    p.fillPath(shape, ivory);
  }
  // Black keys between white keys 1-2, 2-3 and 4-5, as on a piano (C D E, F G).
  for (int between : {1, 2, 4}) {
    const double centre = keys.left() + between * keyWidth;
    const QRectF key(centre - keyWidth * 0.30, keys.top(), keyWidth * 0.60, keys.height() * 0.58);
    p.fillRect(key, QColor(16, 18, 24));
  }

  // A level bar above the keys: the studio's lit segments, from green to amber.
  const QColor lit[] = {QColor(92, 214, 92), QColor(92, 214, 92), QColor(160, 226, 70),
                        QColor(240, 200, 60), QColor(244, 150, 48)};
  const int segments = size < 32 ? 3 : 5;
  const double barTop = tile.top() + tile.height() * 0.14;
  const double barHeight = tile.height() * 0.14;
  const double segWidth = keys.width() / segments;
  for (int i = 0; i < segments; ++i) {
    const QRectF seg(keys.left() + i * segWidth + gap / 2, barTop, segWidth - gap, barHeight);
    p.fillRect(seg, lit[i * 5 / segments]);
  }
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-app-icon OUT-FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString path = QStringLiteral("%1/tonalix-studio-%2.png").arg(out).arg(size);
    if (!drawIcon(size).save(path)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}

#include "widgets/ButtonShape.h"

#include <QPolygon>
#include <QVector>
#include <cstdlib>

namespace tonalix::widgets {

namespace {
QRegion pixels(std::initializer_list<QPoint> points) {
  QRegion r;
  for (const QPoint& p : points) r += QRect(p, QSize(1, 1));
  return r;
}

// The transparent pixels of a cut picture as row runs.
QRegion transparentRuns(const QImage& cut) {
  QVector<QRect> runs;
  const QRgb clear = cut.pixel(0, 0);
  for (int y = 0; y < cut.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(cut.constScanLine(y));
    int x = 0;
    while (x < cut.width()) {
      if (line[x] != clear) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < cut.width() && line[x] == clear) ++x;
      runs.append(QRect(start, y, x - start, 1));
    }
  }
  QRegion r;
  if (!runs.isEmpty()) r.setRects(runs.constData(), int(runs.size()));
  return r;
}

QRegion grown(const QRegion& r, int by) {
  QRegion out = r;
  for (int dy = -by; dy <= by; ++dy)
    for (int dx = -by; dx <= by; ++dx)
      if (dx != 0 || dy != 0) out += r.translated(dx, dy);
  return out;
}
}  // namespace

bool slantTooNarrow(int shape, QSize size) {
  if (shape < 1 || shape > 3) return false;
  return size.width() - (size.height() + 1) <= 4;
}

QImage fitCutPicture(const QImage& picture, QSize size) {
  if (picture.isNull() || size.isEmpty()) return {};
  const QSize fitted = picture.size().scaled(size, Qt::KeepAspectRatio);
  if (fitted.isEmpty()) return {};
  QImage img = picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                   .convertToFormat(QImage::Format_RGB32);
  const QRgb clear = img.pixel(0, 0);
  for (int y = 0; y < img.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = line[x];
      if (std::abs(qRed(p) - qRed(clear)) <= 3 && std::abs(qGreen(p) - qGreen(clear)) <= 3 &&
          std::abs(qBlue(p) - qBlue(clear)) <= 3)
        line[x] = clear;
    }
  }
  return img;
}

ButtonRegions buildRegions(int shape, int style, bool enabled, QSize size, const QImage& cut) {
  ButtonRegions out;
  const int w = size.width();
  const int h = size.height();
  out.faceRight = w;
  if (w <= 0 || h <= 0) return out;
  const QRect all(0, 0, w, h);

  if (shape == 0) {
    if (style == 2 || style == 7) {
      // Rounded corners: a 3-pixel notch at each corner, closed by the corner pixels the
      // style draws one step inside.
      out.window = QRegion(all) - pixels({{0, 0}, {1, 0}, {0, 1}}) -
                   pixels({{0, h - 1}, {1, h - 1}, {0, h - 2}}) -
                   pixels({{w - 1, 0}, {w - 2, 0}, {w - 1, 1}}) -
                   pixels({{w - 1, h - 1}, {w - 2, h - 1}, {w - 1, h - 2}});
    } else if (style == 1 || (style == 3 && enabled)) {
      out.window = QRegion(all) - pixels({{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}});
    }
    return out;
  }

  if (shape <= 3) {
    const int s = h + 1;
    out.slant = s;
    QPolygon poly;
    poly << QPoint(0, 0) << QPoint(0, h + 1) << QPoint(w + 1, h + 1) << QPoint(w + 1, 0);
    if (shape == 1 || shape == 3) {
      poly[1] = QPoint(s, h + 1);
      out.faceLeft = s;
    }
    if (shape == 2 || shape == 3) {
      poly[3] = QPoint(w - s + 1, 0);
      out.faceRight = w - s;
    }
    out.window = QRegion(poly, Qt::WindingFill) & QRegion(all);
    return out;
  }

  if (shape <= 6) {
    out.window = QRegion(all, QRegion::Ellipse);
    out.inner1 = QRegion(all.adjusted(1, 1, -1, -1), QRegion::Ellipse);
    out.inner2 = QRegion(all.adjusted(2, 2, -2, -2), QRegion::Ellipse);
    return out;
  }

  if (cut.isNull()) return out;
  const QRect area(QPoint(0, 0), cut.size());
  const QRegion clear = transparentRuns(cut);
  out.window = QRegion(area) - clear;
  out.inner1 = QRegion(area.adjusted(1, 1, -1, -1)) - grown(clear, 1);
  out.inner2 = QRegion(area.adjusted(2, 2, -2, -2)) - grown(clear, 2);
  if (out.inner1.isEmpty()) out.inner1 = out.window;
  if (out.inner2.isEmpty()) out.inner2 = out.inner1;
  return out;
}

}  // namespace tonalix::widgets

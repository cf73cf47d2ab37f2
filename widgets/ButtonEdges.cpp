#include "widgets/ButtonEdges.h"

#include <QPainter>
#include <QPoint>
#include <cstdlib>

#include "widgets/ButtonShade.h"

namespace tonalix::widgets {

namespace {
// A line from a up to, not including, b. Straight lines go in one fill; the slanted sides of
// shapes 1 to 3 are stepped pixel by pixel.
void line(QPainter& p, QPoint a, QPoint b, std::int64_t colour) {
  if (colour < 0 || a == b) return;
  const QColor c = toQColor(static_cast<ColorValue>(colour));
  if (a.y() == b.y()) {
    const int x0 = a.x() < b.x() ? a.x() : b.x() + 1;
    p.fillRect(x0, a.y(), std::abs(b.x() - a.x()), 1, c);
    return;
  }
  if (a.x() == b.x()) {
    const int y0 = a.y() < b.y() ? a.y() : b.y() + 1;
    p.fillRect(a.x(), y0, 1, std::abs(b.y() - a.y()), c);
    return;
  }
  const int dx = std::abs(b.x() - a.x()), sx = a.x() < b.x() ? 1 : -1;
  const int dy = -std::abs(b.y() - a.y()), sy = a.y() < b.y() ? 1 : -1;
  int err = dx + dy;
  QPoint at = a;
  while (at != b) {
    p.fillRect(at.x(), at.y(), 1, 1, c);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      at.rx() += sx;
    }
    if (e2 <= dx) {
      err += dx;
      at.ry() += sy;
    }
  }
}

void path(QPainter& p, const QPoint (&pts)[5], const std::int64_t* colours) {
  for (int i = 0; i < 4; ++i) line(p, pts[i], pts[i + 1], colours[i]);
}
}  // namespace

void setPixel(QPainter& painter, int x, int y, std::int64_t colour) {
  if (colour >= 0) painter.fillRect(x, y, 1, 1, toQColor(static_cast<ColorValue>(colour)));
}

void drawEdges(QPainter& painter, const EdgeTable& colours, int shape, int w, int h,
               int faceLeft, int faceRight) {
  if (shape < 0 || shape > 3 || w <= 0 || h <= 0) return;
  const int s1 = (shape == 1 || shape == 3) ? 1 : 0;
  const int s2 = (shape == 2 || shape == 3) ? 1 : 0;
  const int fl = faceLeft, fr = faceRight;
  const QPoint inner[5] = {{fl + 2 - 4 * s1, h - 3}, {2 + 2 * s1, 2}, {fr - 3 + 3 * s2, 2},
                           {w - 3 - 3 * s2, h - 3}, {fl + 1 - 4 * s1, h - 3}};
  const QPoint middle[5] = {inner[0] + QPoint(s1 - 1, 1), inner[1] + QPoint(-s1 - 1, -1),
                            inner[2] + QPoint(1 - s2, -1), inner[3] + QPoint(s2 + 1, 1),
                            inner[4] + QPoint(-1, 1)};
  const QPoint outer[5] = {{fl - s1, h - 1}, {0, 0}, {fr - 1 + s2, 0}, {w - 1, h - 1},
                           {fl - 2 * s1 - 1, h - 1}};
  path(painter, inner, colours.data());
  path(painter, middle, colours.data() + 4);
  path(painter, outer, colours.data() + 8);
}

}  // namespace tonalix::widgets

#include "widgets/BevelEdge.h"

#include <QPainter>

#include "widgets/ColorValue.h"

namespace tonalix::widgets {

namespace {
constexpr ColorValue k3DLight = 0x80000016u;
constexpr ColorValue k3DDarkShadow = 0x80000015u;
constexpr ColorValue k3DShadow = 0x80000010u;
constexpr ColorValue k3DHighlight = 0x80000014u;

// One ring: top and left lines in one colour, bottom and right in the other.
void ring(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  const int l = r.left(), t = r.top(), rr = r.left() + r.width() - 1, b = r.top() + r.height() - 1;
  p.fillRect(QRect(l, t, r.width(), 1), topLeft);
  p.fillRect(QRect(l, t, 1, r.height()), topLeft);
  p.fillRect(QRect(l, b, r.width(), 1), bottomRight);
  p.fillRect(QRect(rr, t, 1, r.height()), bottomRight);
}
}  // namespace

void drawBevelEdge(QPainter& painter, const QRect& rect, int kind) {
  QRect r = rect;
  if (kind & (EdgeRaisedOuter | EdgeSunkenOuter)) {
    if (kind & EdgeRaisedOuter)
      ring(painter, r, resolveColor(k3DLight), resolveColor(k3DDarkShadow));
    else
      ring(painter, r, resolveColor(k3DShadow), resolveColor(k3DHighlight));
  }
  r.adjust(1, 1, -1, -1);
  if (kind & (EdgeRaisedInner | EdgeSunkenInner)) {
    if (kind & EdgeRaisedInner)
      ring(painter, r, resolveColor(k3DHighlight), resolveColor(k3DShadow));
    else
      ring(painter, r, resolveColor(k3DDarkShadow), resolveColor(k3DLight));
  }
}

}  // namespace tonalix::widgets

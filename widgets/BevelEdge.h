// Bevelled edges around a rectangle in the desktop's 3-D colours: the groove of a slider rail
// and similar frames. Edge kinds combine an outer and an inner one-pixel border.
#pragma once

#include <QRect>

class QPainter;

namespace tonalix::widgets {

enum BevelEdgeFlags : int {
  EdgeRaisedOuter = 1,
  EdgeSunkenOuter = 2,
  EdgeRaisedInner = 4,
  EdgeSunkenInner = 8,
  EdgeRaised = EdgeRaisedOuter | EdgeRaisedInner,  // 5
  EdgeSunken = EdgeSunkenOuter | EdgeSunkenInner,  // 10
};

// Draws the edge inside rect (right and bottom exclusive) on all four sides; kind 0 draws nothing.
void drawBevelEdge(QPainter& painter, const QRect& rect, int kind);

}  // namespace tonalix::widgets

// The button's gradient fill: side-by-side strips of one colour each, stepping from one colour
// to another across the face in one of four directions.
#pragma once

#include <QSize>

#include "widgets/ColorValue.h"

class QPainter;

namespace tonalix::widgets {

// Modes: 1 from `from` at the left, 2 from the right, 3 from the top, 4 from the bottom.
// `screen` is the screen's size; faces longer than a third of it use 2-pixel strips.
// Nothing is painted for mode 0 or a face of length 0.
void paintGradient(QPainter& painter, QSize face, int mode, ColorValue from, ColorValue to,
                   QSize screen);

}  // namespace tonalix::widgets

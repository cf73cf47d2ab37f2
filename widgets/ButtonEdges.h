// The 3-D edges of rectangular and slanted push buttons: three nested frames of four 1-pixel
// lines, each line coloured from a twelve-entry table (a negative entry leaves it out).
#pragma once

#include <array>
#include <cstdint>

class QPainter;

namespace tonalix::widgets {

// Positions 1..12 as indices 0..11: inner left, top, right, bottom; middle left, top, right,
// bottom; outer left, top, right, bottom. Entries are 0x00BBGGRR or -1 for no line.
using EdgeTable = std::array<std::int64_t, 12>;
constexpr std::int64_t kNoEdge = -1;

// Draws the frames for shapes 0 to 3 of a W x H face running from faceLeft to faceRight.
void drawEdges(QPainter& painter, const EdgeTable& colours, int shape, int w, int h,
               int faceLeft, int faceRight);

// Sets one pixel; the corner touches of the styles go through here.
void setPixel(QPainter& painter, int x, int y, std::int64_t colour);

}  // namespace tonalix::widgets

// The outline of a push button for each of its nine shapes: the window region that lets the
// container show through outside it, the inner regions that oval and picture-cut faces paint
// inside, and the x range of the face on slanted shapes.
#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>

namespace tonalix::widgets {

struct ButtonRegions {
  QRegion window;  // the shape; empty means the plain rectangle
  QRegion inner1;  // 1 pixel inside the shape (ovals and picture-cut shapes only)
  QRegion inner2;  // 2 pixels inside it
  int faceLeft = 0;
  int faceRight = 0;
  int slant = 0;   // horizontal run of the slanted sides

  bool hasInner() const { return !inner1.isEmpty(); }
};

// Shapes: 0 rectangle, 1 slanted left, 2 slanted right, 3 slanted both sides, 4 to 6 ovals,
// 7 and 8 cut from `cut`, the picture already fitted to the size with its transparent colour
// snapped (see fitCutPicture). Styles 2 and 7 round the rectangle's corners, styles 1 and 3
// (3 only while enabled) clip them by one pixel.
ButtonRegions buildRegions(int shape, int style, bool enabled, QSize size, const QImage& cut = {});

// Slanted faces need room beyond their two slants; below this they are widened.
bool slantTooNarrow(int shape, QSize size);
constexpr int kSlantWidenStep = 5;

// The picture scaled to fit `size` keeping its proportions, with every pixel within 3 of
// its top-left pixel in each channel set to exactly that colour (the transparent colour).
QImage fitCutPicture(const QImage& picture, QSize size);

}  // namespace tonalix::widgets

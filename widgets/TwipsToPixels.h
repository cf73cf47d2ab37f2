// Design units (twips) to pixels for the controls the window places in code: 15 twips to the
// pixel, the scale the window's fixed layout was drawn at.
#pragma once

#include <QRect>

namespace tonalix::widgets {

inline constexpr int kTwipsPerPixel = 15;

// Every edge rounds down, so the narrow gaps between neighbouring keys stay visible.
constexpr QRect twipsRectToPixels(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}
constexpr QRect twipsRectToPixels(const QRect& twips) {
  return twipsRectToPixels(twips.left(), twips.top(), twips.width(), twips.height());
}

}  // namespace tonalix::widgets

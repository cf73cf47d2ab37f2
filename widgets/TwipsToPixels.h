// Twips (1440 to the inch) to pixels. The window's fixed layout was drawn at 96 dpi, 15 twips
// to the logical pixel, and it needs two rounding rules there: one for the controls it places
// in code, one for the controls a design lists.
#pragma once

#include <QRect>
#include <algorithm>

#include "widgets/Rounding.h"

namespace tonalix::widgets {

inline constexpr int kTwipsPerPixel = 15;
// Logical pixels per inch of a design.
inline constexpr int kDesignDpi = 96;

// Controls placed in code (keys, key labels, drum rate spinners): every edge rounds down, so the
// narrow gaps between neighbouring keys stay visible.
constexpr QRect placedTwipsToPixels(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}
constexpr QRect placedTwipsToPixels(const QRect& twips) {
  return placedTwipsToPixels(twips.left(), twips.top(), twips.width(), twips.height());
}

// Controls a design lists, and a design captured back from them: to the nearest pixel (or twip),
// halves to even, at the dpi given (the design's when none is).
inline int designTwipsToPixels(int twips, int dpi = kDesignDpi) {
  return roundHalfEven(double(twips) * (dpi > 0 ? dpi : kDesignDpi) / 1440.0);
}
inline int designPixelsToTwips(int pixels, int dpi = kDesignDpi) {
  return roundHalfEven(double(pixels) * 1440.0 / (dpi > 0 ? dpi : kDesignDpi));
}

// Whole twips to one pixel of a screen, at least 1, for widgets that count in twips.
inline int twipsPerPixelAt(int dpi) { return dpi > 0 ? std::max(1, roundHalfEven(1440.0 / dpi)) : kTwipsPerPixel; }

}  // namespace tonalix::widgets

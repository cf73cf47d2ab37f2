// Colour values as the widgets store them: a direct colour 0x00BBGGRR, or a system colour
// 0x800000nn naming entry nn of the desktop's colour scheme, resolved when drawing.
#pragma once

#include <QColor>
#include <cstdint>

namespace tonalix::widgets {

using ColorValue = std::uint32_t;

constexpr ColorValue kSystemColorFlag = 0x80000000u;

// Commonly used system colours.
constexpr ColorValue kButtonFace = 0x8000000Fu;
constexpr ColorValue kButtonText = 0x80000012u;
constexpr ColorValue kWindowBackground = 0x80000005u;
constexpr ColorValue kHighlight = 0x8000000Du;

constexpr bool isSystemColor(ColorValue v) { return (v & 0xFF000000u) == kSystemColorFlag; }
// Whether a number read from outside (a saved design, a caller) is either kind of colour value.
constexpr bool isColorValue(long long v) {
  return (v >= 0 && v <= 0x00FFFFFF) || (v >= 0x80000000LL && v <= 0x800000FFLL);
}

// A direct colour from red, green and blue components.
constexpr ColorValue rgbValue(int r, int g, int b) {
  return static_cast<ColorValue>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// The colour to draw with now; system colours come from the application palette.
QColor resolveColor(ColorValue value);
ColorValue toColorValue(const QColor& colour);

}  // namespace tonalix::widgets

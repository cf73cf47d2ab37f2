// Colour arithmetic of the push button's look: the shift that lightens or darkens a face
// colour channel by channel, and the four face colours each style derives from its back colours.
#pragma once

#include "widgets/ColorValue.h"

namespace tonalix::widgets {

enum ShadeOption : unsigned {
  ShadeScaleBlue = 1,   // blue moves in proportion to its own value instead of by n
  ShadeAvoidBlackWhite = 2,  // a result of pure black or white shifts the other way instead
  ShadeInvert = 4,
};

// Adds n to each channel of a direct colour 0x00BBGGRR, clamped to 0..255.
ColorValue shade(ColorValue colour, int n, unsigned options = 0);
// shade with the blue channel scaled, the form most face edges use.
inline ColorValue shadeB(ColorValue colour, int n) { return shade(colour, n, ShadeScaleBlue); }

struct ButtonFaces {
  ColorValue face = 0;
  ColorValue pressed = 0;
  ColorValue hover = 0;
  ColorValue checked = 0;
};

// The faces of a style from direct back and hover back colours.
ButtonFaces deriveFaces(int style, ColorValue back, ColorValue hoverBack);

inline QColor toQColor(ColorValue c) {
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

}  // namespace tonalix::widgets

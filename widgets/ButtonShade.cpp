#include "widgets/ButtonShade.h"

#include <algorithm>
#include <cmath>

#include "widgets/Rounding.h"

namespace tonalix::widgets {

namespace {
ColorValue shadeOnce(ColorValue c, int n, unsigned options) {
  int red = int(c & 0xFF) + n;
  // Green and blue are read scaled by 256/255 so that a step near the top still brightens.
  int green = roundHalfEven(double(c & 0xFF00) / 255.0 + n);
  int blue = 0;
  if (options & ShadeScaleBlue) {
    const int blue0 = roundHalfEven(double(c & 0xFF0000) / 65280.0);
    blue = blue0 + int(std::trunc(double(n) * blue0 / 192.0));
  } else {
    blue = roundHalfEven(double(c & 0xFF0000) / 65280.0 + n);
  }
  red = std::clamp(red, 0, 255);
  green = std::clamp(green, 0, 255);
  blue = std::clamp(blue, 0, 255);
  if (options & ShadeInvert) {
    red = 255 - red;
    green = 255 - green;
    blue = 255 - blue;
  }
  return rgbValue(red, green, blue);
}
}  // namespace

ColorValue shade(ColorValue colour, int n, unsigned options) {
  colour &= 0x00FFFFFFu;
  const ColorValue result = shadeOnce(colour, n, options);
  if (!(options & ShadeAvoidBlackWhite) || (result != 0 && result != 0xFFFFFFu)) return result;
  // One turn the other way only: shading it back can land on the other extreme, and a second
  // turn would just swing between the two.
  return shadeOnce(colour, n == 0 ? 64 : -n, options);
}

ButtonFaces deriveFaces(int style, ColorValue back, ColorValue hoverBack) {
  ButtonFaces f{back, back, hoverBack, shade(0xFFFFFF, -32)};
  switch (style) {
    case 7:
      f.face = shade(back, 31);
      f.pressed = shade(0x808080, -16);
      f.hover = shade(hoverBack, 31);
      f.checked = shadeB(0x808080, 16);
      break;
    case 2:
      f.face = shadeB(back, 48);
      f.pressed = shadeB(f.face, -32);
      f.hover = shadeB(hoverBack, 48);
      f.checked = shadeB(0xFFFFFF, -32);
      break;
    case 3:
      f.pressed = shade(0x808080, 12);
      f.checked = shade(f.pressed, 31);
      break;
    default:
      break;
  }
  return f;
}

}  // namespace tonalix::widgets

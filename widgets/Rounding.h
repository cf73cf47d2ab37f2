// Rounding used by the widgets' position and value arithmetic: to the nearest whole number,
// halves to the even neighbour, so a pointer exactly between two values does not always pull
// the same way.
#pragma once

#include <cmath>

namespace tonalix::widgets {

inline int roundHalfEven(double x) {
  if (!std::isfinite(x)) return 0;
  const double r = std::nearbyint(x);  // default rounding mode: to nearest, ties to even
  if (r >= 2147483647.0) return 2147483647;
  if (r <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(r);
}

}  // namespace tonalix::widgets

// The small caption font of the key labels and drum pads: "Small Fonts" where installed,
// otherwise a fixed-pitch font of the same height so that short names stay legible.
#pragma once

#include <QFont>

namespace tonalix::widgets {

inline constexpr const char* kSmallFontsFamily = "Small Fonts";

// pointSize as the design gives it (6 for the key labels).
QFont smallFont(int pointSize = 6);

}  // namespace tonalix::widgets

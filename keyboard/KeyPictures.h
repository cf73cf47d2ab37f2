// The four key faces a piano key shows: white and black, released and pressed.
// They are painted once at start, at the screen's pixel ratio, so no image files are needed.
#pragma once

#include <QPixmap>

namespace tonalix::keyboard {

struct KeyPictures {
  QPixmap picWhiteKU;  // white key released, 16 x 111
  QPixmap picWhiteKD;  // white key pressed, 19 x 113
  QPixmap picBlackKU;  // black key released, 13 x 70
  QPixmap picBlackKD;  // black key pressed, 13 x 70

  // devicePixelRatio > 1 paints sharper faces of the same logical size for high-DPI screens.
  static KeyPictures paint(qreal devicePixelRatio = 1.0);
};

}  // namespace tonalix::keyboard

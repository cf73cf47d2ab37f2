// Where each of the 65 on-screen keys stands and whether it is white or black.
#pragma once

#include <QRect>

namespace tonalix::keyboard {

constexpr int kKeyCount = 65;
constexpr int kWhiteKeyCount = 38;
constexpr int kBlackKeyCount = 27;

// Offsets 1, 3, 6, 8 and 10 of every octave are black; key 0 is a C.
constexpr bool isBlackKey(int index) {
  const int offset = ((index % 12) + 12) % 12;
  return offset == 1 || offset == 3 || offset == 6 || offset == 8 || offset == 10;
}
constexpr bool isWhiteKey(int index) { return !isBlackKey(index); }

// Position among the white keys (0..37) of a white key index.
int whiteOrdinal(int index);

// Key rectangle in twips on the main window.
QRect keyRectTwips(int index);
// The same in device-independent pixels.
QRect keyRectPixels(int index);

}  // namespace tonalix::keyboard

#include "keyboard/KeyGeometry.h"

#include <array>

#include "widgets/TwipsToPixels.h"

namespace tonalix::keyboard {

namespace {
constexpr int kTop = 3225;
constexpr int kWhiteLeft = 315, kWhiteStep = 285, kWhiteWidth = 280, kWhiteHeight = 1695;
constexpr int kBlackWidth = 200, kBlackHeight = 1050;

// Left edge (twips) of each black key, in ascending key order.
constexpr std::array<int, kBlackKeyCount> kBlackLeft = {
    480,  795,  1335, 1620, 1920, 2460, 2775, 3315, 3630, 3900, 4470, 4755, 5310, 5610,
    5925, 6465, 6750, 7320, 7605, 7905, 8445, 8760, 9300, 9615, 9885, 10470, 10740};

int blackOrdinal(int index) {
  int n = 0;
  for (int k = 0; k < index; ++k) n += isBlackKey(k) ? 1 : 0;
  return n;
}
}  // namespace

int whiteOrdinal(int index) {
  int n = 0;
  for (int k = 0; k < index; ++k) n += isWhiteKey(k) ? 1 : 0;
  return n;
}

QRect keyRectTwips(int index) {
  if (index < 0 || index >= kKeyCount) return {};
  if (isWhiteKey(index))
    return {kWhiteLeft + kWhiteStep * whiteOrdinal(index), kTop, kWhiteWidth, kWhiteHeight};
  return {kBlackLeft[static_cast<std::size_t>(blackOrdinal(index))], kTop, kBlackWidth,
          kBlackHeight};
}

QRect keyRectPixels(int index) { return widgets::placedTwipsToPixels(keyRectTwips(index)); }

}  // namespace tonalix::keyboard

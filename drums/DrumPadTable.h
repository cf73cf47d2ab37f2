// The ten drum pads as data: caption, drum sound code and place on the window.
#pragma once

#include <array>

namespace tonalix::drums {

struct DrumPadSpec {
  const char* caption;
  int drumSoundCode;  // the percussion note is this code - 93
};

inline constexpr int kPadCount = 10;

// Pad N (1..10) is entry N - 1. Pad 2 plays the acoustic snare (38), which its caption names.
inline constexpr std::array<DrumPadSpec, kPadCount> kDrumPads{{
    {"BASS DRUM", 129},  // 36 bass drum
    {"SNARE", 131},      // 38 acoustic snare
    {"HIGH TOM", 143},   // 50 high tom
    {"CYMBAL", 148},     // 55 splash cymbal
    {"BONGO", 154},      // 61 low bongo
    {"TIMBALE", 159},    // 66 low timbale
    {"AGOGO", 161},      // 68 low agogo
    {"TAMBORINE", 147},  // 54 tambourine
    {"CONGA", 156},      // 63 open high conga
    {"CLAVES", 168},     // 75 claves
}};

// Geometry of one pad's controls in twips.
struct DrumPadLayout {
  int padLeft, padTop;
  int spinnerLeft, spinnerTop;
  int labelLeft, labelTop;
};

inline constexpr int kPadWidth = 975, kPadHeight = 300;
inline constexpr int kSpinnerWidth = 195, kSpinnerHeight = 255;
inline constexpr int kRateLabelSize = 195;

// Two mirrored columns of five: label, pad, spinner on the left; spinner, pad, label on the right.
constexpr DrumPadLayout drumPadLayout(int pad) {
  constexpr int kTops[5] = {810, 1200, 1560, 1920, 2280};
  const int row = (pad - 1) % 5;
  const bool left = pad <= 5;
  const int top = kTops[row];
  const int labelTop = pad == 1 ? top + 53 : top + 60;
  return left ? DrumPadLayout{5175, top, 6180, top + 30, 4920, labelTop}
              : DrumPadLayout{6645, top, 6420, top + 30, 7680, labelTop};
}

}  // namespace tonalix::drums

// The ten drum pads as data: caption, drum sound code and where each pad's spinner stands.
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

inline constexpr int kSpinnerWidth = 195, kSpinnerHeight = 255;

// The spinners are made in code (the design has no such control): in two mirrored columns of
// five, right of the left pads and left of the right pads. Top-left corner in twips.
struct SpinnerPlace {
  int left, top;
};
constexpr SpinnerPlace spinnerPlace(int pad) {
  constexpr int kPadTops[5] = {810, 1200, 1560, 1920, 2280};
  const int top = kPadTops[(pad - 1) % 5] + 30;
  return pad <= 5 ? SpinnerPlace{6180, top} : SpinnerPlace{6420, top};
}

}  // namespace tonalix::drums

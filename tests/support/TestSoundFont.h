// The SoundFonts the tests and benches play through, both from the distribution's General MIDI
// packages (scripts/install-deps installs them): the small one loads in a blink and keeps the
// tests quick; the default one is what a user's program plays, for figures that should match.
#pragma once

namespace tonalix::testing {

inline constexpr const char* kSmallSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
inline constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

}  // namespace tonalix::testing

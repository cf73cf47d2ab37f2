// Finds the system's General MIDI SoundFont: the distribution's default first, then the
// well-known GM fonts, then any other installed .sf2.
#pragma once

#include <string>
#include <vector>

namespace tonalix::platform {

// Candidate paths in order of preference; only existing, readable files are returned.
std::vector<std::string> soundFontCandidates();

// The first candidate, or an empty string when no SoundFont is installed.
std::string locateSoundFont();

}  // namespace tonalix::platform

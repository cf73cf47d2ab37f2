// Turns the extensible format chunk that libsndfile's RF64 writer leaves in a downgraded
// (under 4 GiB) file into the classic PCM format chunk, so every WAV reader takes the file.
#pragma once

#include <string>

namespace tonalix::platform {

// Rewrites in place, keeping every offset: a 40-byte extensible "fmt " chunk of integer PCM
// becomes a 16-byte one with format tag 1 followed by a 16-byte "JUNK" chunk. Files that are
// not RIFF/WAVE or hold another format are left alone. Returns false only on an I/O error.
bool MakePlainPcmHeader(const std::string& path);

// Makes a WAV file that was cut short (a failed write, a killed process) say what it holds:
// its data chunk keeps at most `dataBytes` bytes and only whole frames of what is really on
// disk, anything after them is cut off, the RIFF size follows, and the header is made plain as
// above. Returns the frames the file now holds, or -1 when it is not such a file or cannot be
// rewritten. A take still in RF64 form that would fit is turned into a RIFF file first.
long long FitWaveData(const std::string& path, unsigned long long dataBytes = ~0ull);

}  // namespace tonalix::platform

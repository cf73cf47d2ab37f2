// Turns the extensible format chunk that libsndfile's RF64 writer leaves in a downgraded
// (under 4 GiB) file into the classic PCM format chunk, so every WAV reader takes the file.
#pragma once

#include <string>

namespace tonalix::platform {

// Rewrites in place, keeping every offset: a 40-byte extensible "fmt " chunk of integer PCM
// becomes a 16-byte one with format tag 1 followed by a 16-byte "JUNK" chunk. Files that are
// not RIFF/WAVE or hold another format are left alone. Returns false only on an I/O error.
bool MakePlainPcmHeader(const std::string& path);

}  // namespace tonalix::platform

// Where the program finds its data and whether it may write beside itself: a program run from
// its build tree keeps everything beside the executable; an installed one (<prefix>/bin) reads
// <prefix>/share/tonalix-studio and never writes into its prefix.
#pragma once

#include <string>

namespace tonalix::platform {

// The folder name under <prefix>/share (and the per-user folder's name).
inline constexpr const char* kInstalledDataName = "tonalix-studio";

// True when programFolder is "<prefix>/bin" and "<prefix>/share/tonalix-studio" is a folder.
bool IsInstalledProgram(const std::string& programFolder);

// "<prefix>/share/tonalix-studio" for an installed program, else programFolder itself.
std::string DataFolder(const std::string& programFolder);

// The same for the running program.
std::string DataFolder();

}  // namespace tonalix::platform

// Reads the system's font configuration on a worker while the program starts. The window's
// first measured text needs it, and reading it (every configuration file, then the font
// cache) is the largest single part of building the window; the bare start of the toolkit
// (display connection, plugins, accessibility) runs meanwhile.
#pragma once

#include <thread>

namespace tonalix {

// The reader; join it before the process ends. Whoever needs fonts first never waits for it:
// if the reading is not done, the font library reads for itself and the spare copy is dropped.
std::thread WarmUpFontConfiguration();

}  // namespace tonalix

// The folder the running program's executable lives in, as the kernel reports it.
#pragma once

#include <string>

namespace tonalix::platform {

// Absolute path without a trailing slash; empty when the kernel cannot tell.
std::string ProgramFolder();

}  // namespace tonalix::platform

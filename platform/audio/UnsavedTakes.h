// Takes a process left behind when it ended without saving them (killed, crashed, the power
// went): their hidden work files are made readable and given dated visible names, so the next
// start can tell the user where they are.
#pragma once

#include <string>
#include <vector>

namespace tonalix::platform {

// Looks in the recordings folder. Returns the paths of the takes recovered; a leftover that
// holds no sound is removed, one that cannot be renamed stays where it is.
std::vector<std::string> RecoverUnsavedTakes();

}  // namespace tonalix::platform

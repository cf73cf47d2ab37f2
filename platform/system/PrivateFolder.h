// A folder only the current user can enter, for files that must not be shared or redirected:
// the program falls back to it when its own folder cannot be written.
#pragma once

#include <string>

namespace tonalix::platform {

// Where the program keeps such files: <XDG_RUNTIME_DIR>/<appName>, else
// <XDG_CACHE_HOME or ~/.cache>/<appName>, else /tmp/<appName>-<uid>. Not created here.
std::string DefaultPrivateFolder(const std::string& appName);

// Makes sure path is a real folder (not a link) owned by this user with mode 0700, creating it
// (and missing parents) when needed. Returns an empty string on success, else a readable error.
std::string EnsurePrivateFolder(const std::string& path);

}  // namespace tonalix::platform

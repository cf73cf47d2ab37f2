// The short form of a path for command strings. Linux has no short names: an existing file's
// path is its own short form. Callers quote paths in commands instead.
#pragma once

#include <cstdint>

namespace tonalix::platform {

// For an existing file or folder: when the buffer holds the path and its NUL, copies it and
// returns its length; otherwise returns the buffer size needed (length + 1) and leaves the
// buffer alone. Returns 0 when the path does not exist or is null/empty.
std::uint32_t GetShortPathNameA(const char* longPath, char* buffer, std::uint32_t bufferLength);

}  // namespace tonalix::platform

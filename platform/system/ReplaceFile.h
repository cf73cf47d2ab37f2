// Writes a file whole, or not at all: the bytes go to a new file beside the target which then
// takes the target's name. A link planted at the target is replaced, never followed, and a
// reader that holds the old file open keeps reading the old bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tonalix::platform {

// Returns an empty string on success, else a readable error naming the path; on failure the
// target is left as it was and no partial file remains.
std::string ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace tonalix::platform

// Reads Standard MIDI Files (formats 0, 1 and 2) into a merged, timed event list.
// Any input is safe: malformed data yields an error code and message, never a crash or hang.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/midi/SmfTypes.h"

namespace tonalix::smf {

class SmfReader {
 public:
  static SmfReadResult read(std::span<const std::uint8_t> bytes, const SmfLimits& limits = {});
  static SmfReadResult readFile(const std::string& path, const SmfLimits& limits = {});
};

}  // namespace tonalix::smf

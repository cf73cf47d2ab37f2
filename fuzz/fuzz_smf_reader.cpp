// Feeds arbitrary bytes to the MIDI file reader: it must return an error or a consistent
// result, never crash, hang or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/midi/SmfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tonalix::smf::SmfLimits limits;
  limits.maxEvents = 1u << 16;  // keeps each run small; the cap itself is exercised too
  const auto result = tonalix::smf::SmfReader::read(std::span(data, size), limits);
  if (result.ok()) {
    // Events come out in time order and within the song's length.
    std::uint64_t last = 0;
    for (const auto& ev : result.file.events) {
      if (ev.micros < last) std::abort();
      last = ev.micros;
      if (ev.micros > result.file.durationMicros) std::abort();
    }
  } else if (result.message.empty()) {
    std::abort();
  }
  return 0;
}

// The input port on the ALSA sequencer: a client of our own with the port others connect to,
// which also connects hardware sources to it as they are plugged in and notices when one goes
// away. One thread reads both in the order the sequencer delivered them, so a source's loss is
// always reported after its last message; it hands them to a forwarding thread at once, so a
// window that is slow to take them never makes the sequencer drop input.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/midiin/MidiInputHandlers.h"

namespace tonalix::platform {

class AlsaMidiInput {
 public:
  // nullptr when the machine has no ALSA sequencer (no message: having none is normal).
  static std::unique_ptr<AlsaMidiInput> open(const MidiInputHandlers& handlers);
  ~AlsaMidiInput();

  // True: it connects the hardware sources itself.
  bool connectsHardware() const { return true; }
  // Input the sequencer lost because we read too slowly (overruns), and messages dropped
  // while the forwarding thread was behind (never a release).
  std::uint64_t overruns() const;
  std::uint64_t droppedMessages() const;

  struct Impl;

 private:
  explicit AlsaMidiInput(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tonalix::platform

// The input port on the ALSA sequencer: an RtMidi port that others connect to, and a small
// watcher client of our own that connects hardware sources to it as they are plugged in and
// notices when one goes away.
#pragma once

#include <memory>

#include "platform/midiin/MidiInputHandlers.h"

namespace tonalix::platform {

class AlsaMidiInput {
 public:
  // nullptr when the machine has no ALSA sequencer (no message: having none is normal).
  static std::unique_ptr<AlsaMidiInput> open(const MidiInputHandlers& handlers);
  ~AlsaMidiInput();

  struct Impl;

 private:
  explicit AlsaMidiInput(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tonalix::platform

// One open MIDI output, whatever plays it: the built-in synthesizer or a system MIDI port.
#pragma once

#include <cstdint>

#include "platform/midiout/MidiOut.h"

namespace tonalix::platform {

class MidiOutDevice {
 public:
  virtual ~MidiOutDevice() = default;
  // May be called from several threads at once; must not block for long.
  virtual MMRESULT send(std::uint32_t message) = 0;
  // Called once, when the handle is closed, after the last send through this handle.
  virtual void close() = 0;
  // The engine behind the built-in synthesizer; nullptr for external ports.
  virtual AudioEngine* engine() const { return nullptr; }
};

}  // namespace tonalix::platform

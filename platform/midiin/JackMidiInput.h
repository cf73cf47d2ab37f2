// The input port on a running JACK server. JACK is used directly rather than through RtMidi:
// the port must know its own full name to wire hardware sources to it, and its process
// callback must neither allocate nor wait on the output's locks.
#pragma once

#include <memory>
#include <string>

#include "platform/midiin/MidiInputHandlers.h"

namespace tonalix::platform {

class JackMidiInput {
 public:
  // nullptr when no JACK server runs (no message: having none is normal).
  static std::unique_ptr<JackMidiInput> open(const MidiInputHandlers& handlers);
  ~JackMidiInput();

  std::string portName() const;

  struct Impl;

 private:
  explicit JackMidiInput(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tonalix::platform

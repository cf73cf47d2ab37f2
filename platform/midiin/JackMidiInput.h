// The input ports on a running JACK server: a shared one for connections made by hand and one
// per hardware source, so that a source unplugged releases only what it held. JACK is used directly rather than through RtMidi:
// the port must know its own full name to wire hardware sources to it, and its process
// callback must neither allocate nor wait on the output's locks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/midiin/MidiInputHandlers.h"

namespace tonalix::platform {

class JackMidiInput {
 public:
  // nullptr when no JACK server runs (no message: having none is normal).
  // `skipAlsaBridges`: the ALSA input already connects every hardware source, so the same
  // keyboard seen again through a bridge (PipeWire's, a2jmidid, jackd's seq driver) is left
  // alone; it would play every note twice.
  static std::unique_ptr<JackMidiInput> open(const MidiInputHandlers& handlers, bool skipAlsaBridges);
  ~JackMidiInput();

  // The shared port's full name.
  std::string portName() const;
  // Messages the ring had no room for (the forwarding thread fell behind); never a release.
  std::uint64_t droppedMessages() const;

  struct Impl;

 private:
  explicit JackMidiInput(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tonalix::platform

// One open MIDI output, whatever plays it: the built-in synthesizer or a system MIDI port.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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

// Makes the device of a port of the program's own each time the port is opened.
using MidiOutPortFactory = std::function<std::unique_ptr<MidiOutDevice>()>;

// Lists a port of the program's own (a software instrument, a monitor of what is played) after
// the built-in synthesizer and before the system's ports; a port of the same name is replaced.
// Returns its device id.
std::uint32_t midiOutAddPort(const std::string& name, MidiOutPortFactory factory);
void midiOutRemovePort(const std::string& name);

}  // namespace tonalix::platform

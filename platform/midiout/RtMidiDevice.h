// The system's MIDI output ports (ALSA sequencer, JACK) through RtMidi: listing and opening.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/midiout/MidiOutDevice.h"

namespace tonalix::platform {

struct RtMidiPortInfo {
  std::string name;  // as the system names the port
  int api = 0;       // RtMidi::Api the port belongs to
  unsigned index = 0;
};

// Every output port of every compiled-in MIDI system. A missing ALSA sequencer or a JACK
// server that does not run simply contributes no ports.
std::vector<RtMidiPortInfo> listRtMidiPorts();

// Opens the port; nullptr with `result` set when it is gone or busy.
std::unique_ptr<MidiOutDevice> openRtMidiPort(const RtMidiPortInfo& port, MMRESULT& result);

}  // namespace tonalix::platform

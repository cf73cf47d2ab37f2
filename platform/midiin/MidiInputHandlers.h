// What an input port reports to the program: each channel message as it arrives, with the
// source it came from, and the loss of a source, after which notes it started have no note off
// coming.
#pragma once

#include <cstdint>
#include <functional>

namespace tonalix::platform {

// Which source a message came from: an ALSA sequencer port, or a JACK input port. Each hardware
// source gets a JACK port of its own (kJackSources + 1, + 2, ...); what other programs connect
// to the shared port, kJackSources itself, is merged by JACK before we see it.
using MidiSourceId = std::uint32_t;
constexpr MidiSourceId alsaSource(int client, int port) {
  return 0x10000u | static_cast<MidiSourceId>(client & 0xFF) << 8 | static_cast<MidiSourceId>(port & 0xFF);
}
constexpr MidiSourceId kJackSources = 0x20000u;

struct MidiInputHandlers {
  // Runs on the input's own forwarding thread as each message arrives: forward it, do not
  // wait long.
  std::function<void(MidiSourceId source, std::uint32_t message)> message;
  // Runs when a source is disconnected or its system goes away, on the same thread as that
  // source's messages and after them; possibly alongside `message` from the other system.
  std::function<void(MidiSourceId source)> sourceLost;
};

}  // namespace tonalix::platform

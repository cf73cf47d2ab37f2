// What an input port reports to the program: each channel message as it arrives, and the loss
// of a source, after which notes it started have no note off coming.
#pragma once

#include <cstdint>
#include <functional>

namespace tonalix::platform {

struct MidiInputHandlers {
  // Runs on the input's own thread as each message arrives: forward it, do not wait long.
  std::function<void(std::uint32_t message)> message;
  // Runs when a source is disconnected or its system goes away, on the input's thread (JACK)
  // or the ALSA watcher's, possibly alongside `message` from another system.
  std::function<void()> sourceLost;
};

}  // namespace tonalix::platform

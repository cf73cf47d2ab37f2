// What an input port reports to the program: each channel message as it arrives, and the loss
// of a source, after which notes it started have no note off coming.
#pragma once

#include <cstdint>
#include <functional>

namespace tonalix::platform {

struct MidiInputHandlers {
  // Runs on the port's own thread (real-time for JACK): forward, do not wait.
  std::function<void(std::uint32_t message)> message;
  // Runs on a notification thread when a source is disconnected or its system goes away.
  std::function<void()> sourceLost;
};

}  // namespace tonalix::platform

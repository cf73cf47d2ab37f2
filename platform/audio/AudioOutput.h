// The seam between the engine and whatever drives it in real time: an output calls the
// engine's render function once per period on its own thread.
#pragma once

#include <string>

namespace tonalix::platform {

class OutputWake;

// Implemented by the engine. Called on the output's thread only; must not block or allocate.
class RenderSource {
 public:
  virtual ~RenderSource() = default;
  // Fills both channels with exactly `frames` samples. Zero frames only takes in the events
  // sent so far, so that idle() sees them.
  virtual void render(float* left, float* right, int frames) noexcept = 0;
  // True when the next block would be silence and nothing waits for a later frame, so an
  // output may pause its device. Output thread only.
  virtual bool idle() const noexcept { return false; }
  // Signalled when events arrive while an output sleeps; nullptr when the source has none.
  virtual OutputWake* wake() noexcept { return nullptr; }
};

// A running output; destroying it stops the thread before returning.
class AudioOutput {
 public:
  // How a watcher should read a gap in the output's requests for audio.
  enum class Pace {
    Steady,    // it asks every period: half a second without a request means it died or stalled
    Starting,  // its device was told to play and has not begun (a sink waking up takes a while)
    Resting,   // it paused its device on purpose while the engine is idle and keeps the clock itself
  };

  virtual ~AudioOutput() = default;
  virtual std::string name() const = 0;
  // Any thread; never blocks.
  virtual Pace pace() const noexcept { return Pace::Steady; }
};

}  // namespace tonalix::platform

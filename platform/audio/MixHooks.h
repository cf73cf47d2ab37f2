// What can hook into the engine's audio callback: a tap sees every rendered block exactly as
// it goes to the output, a source adds its own sound to the block before that.
#pragma once

namespace tonalix::platform {

// Called on the audio thread: must not block, allocate or log.
class MixTap {
 public:
  virtual ~MixTap() = default;
  virtual void deliver(const float* left, const float* right, int frames) noexcept = 0;
};

// Called on the audio thread: adds `frames` samples into both channels; same rules as a tap.
class MixSource {
 public:
  virtual ~MixSource() = default;
  virtual void mixInto(float* left, float* right, int frames) noexcept = 0;
};

}  // namespace tonalix::platform

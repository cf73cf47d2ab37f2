// Records the program's own mix: a tap on the engine's callback that copies every block, sample
// for sample as it went to the output, into the recording's ring.
#pragma once

#include <atomic>

#include "platform/audio/MixHooks.h"
#include "platform/audio/RecordSource.h"

namespace tonalix::platform {

class EngineCapture final : public RecordSource, public MixTap {
 public:
  explicit EngineCapture(AudioEngine& engine) : engine_(engine) {}
  ~EngineCapture() override { stop(); }

  int sampleRate() const override;
  std::string start(FrameRing& ring) override;
  void stop() override;
  void deliver(const float* left, const float* right, int frames) noexcept override;

 private:
  AudioEngine& engine_;
  FrameRing* ring_ = nullptr;
  bool attached_ = false;
};

}  // namespace tonalix::platform

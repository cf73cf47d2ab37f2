#include "platform/audio/EngineCapture.h"

#include "platform/audio/AudioEngine.h"

namespace tonalix::platform {

int EngineCapture::sampleRate() const { return engine_.sampleRate(); }

std::string EngineCapture::start(FrameRing& ring) {
  stop();
  ring_ = &ring;
  if (!engine_.attachTap(this)) {
    ring_ = nullptr;
    return "The synthesizer's output is already being recorded too often; stop another recording first.";
  }
  attached_ = true;
  return {};
}

void EngineCapture::stop() {
  if (attached_) engine_.detachTap(this);
  attached_ = false;
  ring_ = nullptr;
}

void EngineCapture::deliver(const float* left, const float* right, int frames) noexcept {
  // A full ring drops frames (counted by the ring) rather than wait: the output never stalls.
  if (ring_ && frames > 0) ring_->push(left, right, static_cast<std::size_t>(frames));
}

}  // namespace tonalix::platform

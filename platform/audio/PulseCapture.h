// Records a PulseAudio source (a microphone or line input) through libpulse's simple API, on a
// thread of its own, at the rate the recording asks for.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "platform/audio/RecordSource.h"

namespace tonalix::platform {

class PulseCapture final : public RecordSource {
 public:
  // sourceName "default" (or empty) is the server's default input.
  PulseCapture(std::string sourceName, int sampleRate) : source_(std::move(sourceName)), rate_(sampleRate) {}
  ~PulseCapture() override { stop(); }

  int sampleRate() const override { return rate_; }
  std::string start(FrameRing& ring) override;
  void stop() override;
  std::string lost() const override;

 private:
  std::string source_;
  int rate_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> lost_{false};
  std::string lostReason_;  // written before lost_ is set, read only after
  std::thread thread_;
  void* stream_ = nullptr;  // pa_simple, opened in start
};

}  // namespace tonalix::platform

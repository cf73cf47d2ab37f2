// Plays a sound file through the engine, mixed with the synthesizer: a feeder thread reads it
// with libsndfile (any format it knows), converts it to the engine's rate with libsoxr and keeps
// a ring filled that the audio callback adds to its output.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/audio/FrameRing.h"
#include "platform/audio/MixHooks.h"

namespace tonalix::platform {

class AudioEngine;

class WavePlayback final : public MixSource {
 public:
  static constexpr double kRingSeconds = 0.5;

  WavePlayback() = default;
  ~WavePlayback() override;
  WavePlayback(const WavePlayback&) = delete;
  WavePlayback& operator=(const WavePlayback&) = delete;

  // Checks that the file can be read; returns an empty string or what is wrong with it.
  std::string open(const std::string& path);
  // Starts playing from the beginning on the engine; returns an empty string or the reason.
  std::string play(AudioEngine& engine);
  // True once every frame of the file has gone to the output (or nothing is playing).
  bool finished() const;
  // Stops and detaches; safe to call more than once.
  void stop();
  long long frames() const { return frames_; }
  int sampleRate() const { return rate_; }

  void mixInto(float* left, float* right, int frames) noexcept override;

 private:
  void feed(int engineRate);

  std::string path_;
  long long frames_ = 0;
  int rate_ = 0;
  AudioEngine* engine_ = nullptr;
  std::unique_ptr<FrameRing> ring_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> fed_{true};  // the feeder has pushed the whole file
  std::thread feeder_;
};

}  // namespace tonalix::platform

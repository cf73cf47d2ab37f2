// Where the synthesizer sequencer hands its messages: an output that applies each message at
// an exact frame of its stream. The built-in engine is one; tests supply their own.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/audio/AudioEngine.h"

namespace tonalix::platform {

class FrameScheduler {
 public:
  virtual ~FrameScheduler() = default;
  virtual bool schedule(std::uint32_t message, std::uint64_t frame) = 0;
  virtual void allNotesOff() = 0;
  // Drops what was scheduled for frames not yet reached.
  virtual void cancelScheduled() = 0;
  virtual std::uint64_t framePosition() const = 0;
  virtual int sampleRate() const = 0;
  // Makes ready, and keeps until released, the instruments these program changes and bank
  // selects will choose, so choosing them later costs nothing.
  virtual void prepareInstruments(const std::vector<std::uint32_t>& /*messages*/) {}
  virtual void releaseInstruments() {}
};

class AudioEngineScheduler final : public FrameScheduler {
 public:
  explicit AudioEngineScheduler(AudioEngine& engine) : engine_(engine) {}
  bool schedule(std::uint32_t message, std::uint64_t frame) override {
    return engine_.scheduleShortMessage(message, frame);
  }
  void allNotesOff() override { engine_.allNotesOff(); }
  void cancelScheduled() override { engine_.cancelScheduled(); }
  std::uint64_t framePosition() const override { return engine_.framePosition(); }
  int sampleRate() const override { return engine_.sampleRate(); }
  void prepareInstruments(const std::vector<std::uint32_t>& messages) override {
    engine_.prepareInstruments(messages);
  }
  void releaseInstruments() override { engine_.releaseInstruments(); }

 private:
  AudioEngine& engine_;
};

}  // namespace tonalix::platform

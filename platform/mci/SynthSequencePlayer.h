// Plays a sequence on the built-in synthesizer: every message is scheduled at its exact
// output frame (start frame + round(time * rate)). A feeder thread keeps the engine's bounded
// queue filled a short way ahead of the rendering position instead of queueing the whole song.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/mci/FrameScheduler.h"
#include "platform/mci/SequencePlayer.h"
#include "platform/mci/SoundingNotes.h"

namespace tonalix::platform {

class SynthSequencePlayer final : public SequencePlayer {
 public:
  // How far ahead of the rendering position messages are handed to the engine. Enough to
  // ride out a late wake-up of the feeder on a busy machine; small enough that a stop cuts
  // off little already-queued music.
  static constexpr double kAheadSeconds = 0.06;
  // Distance of the song's start from the rendering position once its instruments are
  // ready: the opening is handed over before start() returns, so this only has to cover
  // the moment between reading the position and queueing, plus a block the output may be
  // rendering meanwhile.
  static constexpr double kLeadSeconds = 0.005;
  static constexpr int kPassMillis = 10;
  static constexpr std::size_t kMaxPerPass = 256;

  explicit SynthSequencePlayer(AudioEngine& engine);
  explicit SynthSequencePlayer(FrameScheduler& output);
  ~SynthSequencePlayer() override;

  void start(const MidiSequence& sequence, std::size_t fromIndex) override;
  void stop() override;
  bool finished() const override { return finished_.load(std::memory_order_acquire); }
  std::size_t nextIndex() const override { return next_.load(std::memory_order_acquire); }

  // The output frame of event i of the running sequence.
  std::uint64_t frameOf(std::size_t i) const;
  // Every message due before this frame has been handed to the engine (all: UINT64_MAX).
  std::uint64_t scheduledUntil() const { return scheduledUntil_.load(std::memory_order_acquire); }
  // Messages handed over only after their frame had been rendered, and the worst such delay
  // in frames (both 0 when playback is sample-accurate).
  std::uint64_t lateEvents() const { return lateEvents_.load(std::memory_order_relaxed); }
  std::uint64_t maxLateFrames() const { return maxLateFrames_.load(std::memory_order_relaxed); }

 private:
  void run();
  // One pass of the feeder: hands over what is due before the horizon; returns how many.
  std::size_t feed();
  std::uint64_t frameAtMicros(std::uint64_t micros) const;
  void schedule(std::uint32_t message, std::uint64_t frame);

  std::unique_ptr<FrameScheduler> ownOutput_;
  FrameScheduler& output_;
  const MidiSequence* sequence_ = nullptr;
  std::uint64_t startFrame_ = 0;
  std::uint64_t baseMicros_ = 0;
  std::uint64_t rate_ = 48000;
  std::uint64_t endFrame_ = 0;
  SoundingNotes notes_;                   // feeder thread; read after join

  std::atomic<std::size_t> next_{0};
  std::atomic<bool> finished_{false};
  std::atomic<std::uint64_t> scheduledUntil_{0};
  std::atomic<std::uint64_t> lateEvents_{0};
  std::atomic<std::uint64_t> maxLateFrames_{0};

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopRequested_ = false;
  std::thread thread_;
};

}  // namespace tonalix::platform

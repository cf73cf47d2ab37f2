// Plays a sequence on an external MIDI port: a real-time thread sleeps to each message's
// absolute deadline on the monotonic clock (no drift from relative sleeps) and sends it.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <thread>
#include <vector>

#include "platform/mci/SequencePlayer.h"
#include "platform/mci/SoundingNotes.h"

namespace tonalix::platform {

class PortSequencePlayer final : public SequencePlayer {
 public:
  using Send = std::function<void(std::uint32_t message)>;

  // Distance of the song's start from the call to start().
  static constexpr std::int64_t kLeadNanos = 5'000'000;
  // The thread never sleeps longer than this at once, so a stop is noticed promptly.
  static constexpr std::int64_t kMaxSleepNanos = 20'000'000;

  explicit PortSequencePlayer(Send send);
  ~PortSequencePlayer() override;

  void start(const MidiSequence& sequence, std::size_t fromIndex) override;
  void stop() override;
  bool finished() const override { return finished_.load(std::memory_order_acquire); }
  std::size_t nextIndex() const override { return next_.load(std::memory_order_acquire); }

  // Measuring aid: for each message sent, how late (in nanoseconds) the thread woke against
  // its deadline. The buffer is filled up to its reserved capacity and never grown by the
  // thread; set before start().
  void recordLateness(std::vector<std::int64_t>* nanos) { lateness_ = nanos; }

 private:
  void run();
  // Sleeps until the absolute time; false when a stop came first.
  bool sleepUntil(std::int64_t deadline);

  Send send_;
  const MidiSequence* sequence_ = nullptr;
  std::int64_t startNanos_ = 0;
  std::uint64_t baseMicros_ = 0;
  SoundingNotes notes_;  // dispatch thread; read after join
  std::vector<std::int64_t>* lateness_ = nullptr;

  std::atomic<std::size_t> next_{0};
  std::atomic<bool> finished_{false};
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;
};

}  // namespace tonalix::platform

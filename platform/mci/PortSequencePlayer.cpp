#include "platform/mci/PortSequencePlayer.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>

#include "platform/mci/MidiSequence.h"

namespace tonalix::platform {

namespace {

std::int64_t monotonicNanos() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

timespec toTimespec(std::int64_t nanos) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(nanos / 1'000'000'000);
  ts.tv_nsec = static_cast<long>(nanos % 1'000'000'000);
  return ts;
}

}  // namespace

PortSequencePlayer::PortSequencePlayer(Send send) : send_(std::move(send)) {}

PortSequencePlayer::~PortSequencePlayer() { stop(); }

void PortSequencePlayer::start(const MidiSequence& sequence, std::size_t fromIndex) {
  stop();
  sequence_ = &sequence;
  fromIndex = std::min(fromIndex, sequence.events.size());
  // From the beginning the song keeps its opening silence; a resume starts at the next event.
  baseMicros_ = fromIndex > 0 && fromIndex < sequence.events.size() ? sequence.events[fromIndex].micros : 0;
  notes_.clear();
  next_.store(fromIndex, std::memory_order_release);
  finished_.store(false, std::memory_order_release);
  stopRequested_.store(false, std::memory_order_release);
  for (std::uint32_t message : sequence.chaseBefore(fromIndex)) send_(message);
  startNanos_ = monotonicNanos() + kLeadNanos;
  thread_ = std::thread([this] { run(); });
}

bool PortSequencePlayer::sleepUntil(std::int64_t deadline) {
  for (;;) {
    if (stopRequested_.load(std::memory_order_acquire)) return false;
    const std::int64_t now = monotonicNanos();
    if (now >= deadline) return true;
    const timespec target = toTimespec(std::min(deadline, now + kMaxSleepNanos));
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr);
  }
}

void PortSequencePlayer::run() {
  // Real-time priority where the system grants it; otherwise ordinary scheduling.
  sched_param param{};
  param.sched_priority = std::max(1, sched_get_priority_max(SCHED_FIFO) / 2);
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);

  const auto& events = sequence_->events;
  std::size_t next = next_.load(std::memory_order_relaxed);
  auto deadlineOf = [&](std::uint64_t micros) {
    const std::uint64_t since = micros > baseMicros_ ? micros - baseMicros_ : 0;
    return startNanos_ + static_cast<std::int64_t>(std::min<std::uint64_t>(since, INT64_MAX / 4000) * 1000);
  };
  while (next < events.size()) {
    const std::int64_t deadline = deadlineOf(events[next].micros);
    if (!sleepUntil(deadline)) return;
    const std::int64_t woke = monotonicNanos();
    // Everything due by now goes out together.
    while (next < events.size() && deadlineOf(events[next].micros) <= woke) {
      send_(events[next].message);
      notes_.track(events[next].message);
      if (lateness_ && lateness_->size() < lateness_->capacity()) {
        lateness_->push_back(woke - deadlineOf(events[next].micros));
      }
      ++next;
      next_.store(next, std::memory_order_release);
    }
  }
  if (!sleepUntil(deadlineOf(std::max(sequence_->durationMicros, baseMicros_)))) return;
  finished_.store(true, std::memory_order_release);
}

void PortSequencePlayer::stop() {
  if (!thread_.joinable()) return;
  stopRequested_.store(true, std::memory_order_release);
  thread_.join();
  notes_.forEachNoteOff([&](std::uint32_t m) { send_(m); });
  SoundingNotes::forEachChannelReset([&](std::uint32_t m) { send_(m); });
  notes_.clear();
}

}  // namespace tonalix::platform

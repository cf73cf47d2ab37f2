#include "platform/audio/NullOutput.h"

#include <time.h>

#include <cerrno>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace tonalix::platform {
namespace {

constexpr std::int64_t kNanos = 1'000'000'000;

void addNanos(timespec& t, std::int64_t ns) {
  std::int64_t total = t.tv_nsec + ns;
  t.tv_sec += static_cast<time_t>(total / kNanos);
  t.tv_nsec = static_cast<long>(total % kNanos);
}

std::int64_t diffNanos(const timespec& a, const timespec& b) {
  return (static_cast<std::int64_t>(a.tv_sec) - b.tv_sec) * kNanos + (a.tv_nsec - b.tv_nsec);
}

class NullOutput final : public AudioOutput {
 public:
  NullOutput(int sampleRate, int periodFrames, RenderSource& source)
      : sampleRate_(sampleRate), period_(periodFrames), source_(source),
        left_(static_cast<std::size_t>(periodFrames)), right_(static_cast<std::size_t>(periodFrames)) {
    thread_ = std::thread([this] { run(); });
  }
  ~NullOutput() override {
    stop_.store(true, std::memory_order_relaxed);
    thread_.join();
  }
  std::string name() const override { return "null"; }

 private:
  // Absolute deadlines keep the long-run rate exact; after a long stall (suspend, debugger)
  // the schedule restarts instead of rendering a burst to catch up.
  void run() {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    std::uint64_t periods = 0;
    timespec origin = deadline;
    while (!stop_.load(std::memory_order_relaxed)) {
      source_.render(left_.data(), right_.data(), period_);
      ++periods;
      deadline = origin;
      addNanos(deadline, static_cast<std::int64_t>(periods * static_cast<std::uint64_t>(period_) *
                                                   kNanos / static_cast<std::uint64_t>(sampleRate_)));
      timespec now{};
      clock_gettime(CLOCK_MONOTONIC, &now);
      if (diffNanos(now, deadline) > kNanos / 4) {
        origin = now;
        periods = 0;
        continue;
      }
      while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
      }
    }
  }

  const int sampleRate_;
  const int period_;
  RenderSource& source_;
  std::vector<float> left_, right_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<AudioOutput> openNullOutput(int sampleRate, int periodFrames, RenderSource& source) {
  return std::make_unique<NullOutput>(sampleRate, periodFrames, source);
}

}  // namespace tonalix::platform

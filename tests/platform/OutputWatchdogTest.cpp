#include "platform/audio/OutputWatchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tonalix::platform {
namespace {

using Clock = std::chrono::steady_clock;

// The engine's side: counts the frames it is asked for and notices two renders at once.
class CountingEngine final : public RenderSource {
 public:
  void render(float* left, float* right, int frames) noexcept override {
    if (inside_.exchange(true)) overlapped = true;
    for (int i = 0; i < frames; ++i) left[i] = right[i] = 0.0f;
    this->frames.fetch_add(static_cast<std::uint64_t>(frames));
    inside_.store(false);
  }
  std::atomic<std::uint64_t> frames{0};
  std::atomic<bool> overlapped{false};

 private:
  std::atomic<bool> inside_{false};
};

// A device output that asks for a period every millisecond until told to stop asking, as a
// sink that stays connected but is suspended, or a driver whose server has quit. It may first
// take longer than a stall to begin, as a waking sink does, saying so through its pace.
class DeviceOutput final : public AudioOutput {
 public:
  DeviceOutput(RenderSource& source, std::atomic<bool>& asking, std::chrono::milliseconds startUp = {})
      : source_(source), asking_(asking) {
    thread_ = std::thread([this, begin = Clock::now() + startUp] {
      float left[64], right[64];
      while (!stop_.load()) {
        if (Clock::now() >= begin) pace_.store(Pace::Steady);
        if (pace_.load() == Pace::Steady && asking_.load()) source_.render(left, right, 64);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  ~DeviceOutput() override {
    stop_.store(true);
    thread_.join();
  }
  std::string name() const override { return "device"; }
  Pace pace() const noexcept override { return pace_.load(); }

 private:
  RenderSource& source_;
  std::atomic<bool>& asking_;
  std::atomic<Pace> pace_{Pace::Starting};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

template <typename Condition>
bool waitFor(Condition condition) {
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(OutputWatchdog, AnOutputThatStopsAskingAfterItBeganIsStoodInForToldOnceAndReopened) {
  // Slower to begin than a stall, yet not one: the device said it was starting.
  constexpr auto kSlowStart = OutputWatchdog::kStallAfter * 3;
  CountingEngine engine;
  std::atomic<bool> firstAsks{true}, laterAsk{false};
  std::atomic<int> opened{0};
  std::mutex noticesMutex;
  std::vector<std::string> notices;
  auto notify = [&](std::string line) {
    std::lock_guard lock(noticesMutex);
    notices.push_back(std::move(line));
  };
  auto noticesNow = [&] {
    std::lock_guard lock(noticesMutex);
    return notices;
  };
  OutputWatchdog watchdog(
      engine, 48000, 256,
      [&](RenderSource& source) {
        // The first reopening fails (the server is still down); later ones succeed.
        const int n = opened.fetch_add(1);
        if (n == 1) return std::unique_ptr<AudioOutput>();
        if (n == 0) return std::unique_ptr<AudioOutput>(std::make_unique<DeviceOutput>(source, firstAsks, kSlowStart));
        return std::unique_ptr<AudioOutput>(std::make_unique<DeviceOutput>(source, laterAsk));
      },
      notify);
  ASSERT_TRUE(watchdog.start());
  EXPECT_EQ(watchdog.name(), "device");
  ASSERT_TRUE(waitFor([&] { return engine.frames.load() > 4800; }));
  EXPECT_TRUE(noticesNow().empty());

  firstAsks.store(false);
  ASSERT_TRUE(waitFor([&] { return !noticesNow().empty(); }));
  EXPECT_TRUE(watchdog.standingIn());
  // The clock goes on without the device: a second's worth of frames comes through.
  const std::uint64_t atStall = engine.frames.load();
  ASSERT_TRUE(waitFor([&] { return engine.frames.load() > atStall + 48000; }));
  EXPECT_EQ(noticesNow().size(), 1u);

  // Once a reopened device asks again it takes over and the notice is withdrawn.
  laterAsk.store(true);
  ASSERT_TRUE(waitFor([&] { return !watchdog.standingIn(); }));
  ASSERT_TRUE(waitFor([&] { return noticesNow().size() == 2; }));
  EXPECT_EQ(noticesNow().back(), "");
  EXPECT_GE(opened.load(), 3);
  const std::uint64_t back = engine.frames.load();
  ASSERT_TRUE(waitFor([&] { return engine.frames.load() > back + 4800; }));
  EXPECT_FALSE(engine.overlapped.load());
}

}  // namespace
}  // namespace tonalix::platform

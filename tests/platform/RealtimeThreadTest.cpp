#include "platform/audio/RealtimeThread.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <chrono>
#include <cstdint>
#include <thread>

namespace tonalix::platform {
namespace {

int policy() { return sched_getscheduler(0) & ~SCHED_RESET_ON_FORK; }

// A renderer that never blocks (a dense song on a slow machine, a catch-up loop) must cost the
// program its priority, not its life: the kernel's hard limit would kill the whole process.
TEST(RealtimeThread, AThreadThatNeverBlocksIsDemotedNotKilled) {
#ifdef __SANITIZE_THREAD__
  // ThreadSanitizer holds an asynchronous signal back until the thread next enters a call it
  // watches, so the spinning thread could meet the kernel's hard limit first. The other builds
  // run this path.
  GTEST_SKIP() << "ThreadSanitizer delays the CPU-limit signal";
#endif
  bool raised = false;
  bool demoted = false;
  const int before = realtimeDemotions();
  std::thread renderer([&] {
    raised = makeThreadRealtime(5) && policy() == SCHED_FIFO;
    if (!raised) return;
    // Spins well past the hard limit's worth of CPU unless demoted first.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    volatile std::uint64_t work = 0;
    while (policy() == SCHED_FIFO && std::chrono::steady_clock::now() < deadline)
      for (int i = 0; i < 10000; ++i) work = work + static_cast<std::uint64_t>(i);
    demoted = policy() == SCHED_OTHER;
  });
  renderer.join();
  if (!raised) GTEST_SKIP() << "real-time scheduling is not permitted here";
  EXPECT_TRUE(demoted);
  EXPECT_GT(realtimeDemotions(), before);
}

}  // namespace
}  // namespace tonalix::platform

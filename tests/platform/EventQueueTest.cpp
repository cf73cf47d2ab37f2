#include "platform/audio/EventQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace tonalix::platform {
namespace {

TEST(EventQueue, FullQueueRefusesUntilTheConsumerFreesACell) {
  EventQueue q(8);
  for (std::uint32_t i = 0; i < 8; ++i) EXPECT_TRUE(q.push({i, i}));
  EXPECT_FALSE(q.push({99, 99}));
  TimedEvent ev;
  ASSERT_TRUE(q.pop(ev));
  EXPECT_EQ(ev.message, 0u);
  EXPECT_TRUE(q.push({8, 8}));
  for (std::uint32_t i = 1; i <= 8; ++i) {
    ASSERT_TRUE(q.pop(ev));
    EXPECT_EQ(ev.message, i);
  }
  EXPECT_FALSE(q.pop(ev));
}

// Two producers race a consumer: nothing is lost or duplicated and each producer's events
// arrive in the order it pushed them.
TEST(EventQueue, ConcurrentProducersLoseNothingAndKeepTheirOrder) {
  EventQueue q(64);
  constexpr std::uint32_t kEach = 20000;
  auto producer = [&q](std::uint32_t id) {
    for (std::uint32_t i = 0; i < kEach; ++i)
      while (!q.push({i, id})) std::this_thread::yield();
  };
  std::thread a(producer, 1), b(producer, 2);
  std::uint64_t next[3] = {0, 0, 0};
  std::uint32_t received = 0;
  TimedEvent ev;
  while (received < 2 * kEach) {
    if (!q.pop(ev)) {
      std::this_thread::yield();
      continue;
    }
    ASSERT_TRUE(ev.message == 1 || ev.message == 2);
    ASSERT_EQ(ev.frame, next[ev.message]);
    ++next[ev.message];
    ++received;
  }
  a.join();
  b.join();
  EXPECT_FALSE(q.pop(ev));
}

}  // namespace
}  // namespace tonalix::platform

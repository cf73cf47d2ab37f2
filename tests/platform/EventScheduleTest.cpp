#include "platform/audio/EventSchedule.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tonalix::platform {
namespace {

constexpr std::uint64_t kBlock = 256;

// Stands in for the synthesizer: writes down what it is handed, in order ("7@256": message 7
// applied at frame 256; "x7": message 7 retired; "off"), and refuses one message a number of
// times, as the engine does with a preset selection while an instrument loads.
struct Recorder final : EventSchedule::Sink {
  std::vector<std::string> log;
  std::uint32_t refused = 0;
  int refusals = 0;
  std::function<void()> onApply;  // what another thread does meanwhile
  std::uint64_t renderedTo = 0;

  bool apply(const TimedEvent& ev, std::uint64_t frame) noexcept override {
    if (ev.message == refused && refusals > 0) {
      --refusals;
      return false;
    }
    log.push_back(std::to_string(ev.message) + "@" + std::to_string(frame));
    if (onApply) std::exchange(onApply, nullptr)();
    return true;
  }
  void retire(const TimedEvent& ev) noexcept override { log.push_back("x" + std::to_string(ev.message)); }
  void allNotesOff() noexcept override { log.push_back("off"); }
  void renderSpan(std::uint64_t from, std::uint64_t to) noexcept override {
    EXPECT_EQ(from, renderedTo);  // every frame rendered once, in order
    EXPECT_LT(from, to);
    renderedTo = to;
  }
};

struct EventScheduleTest : ::testing::Test {
  std::unique_ptr<EventSchedule> schedule = std::make_unique<EventSchedule>();
  Recorder sink;
  std::uint64_t position = 0;

  void send(std::uint32_t message, std::uint64_t frame = 0) { ASSERT_TRUE(schedule->send({frame, message})); }
  // Renders up to `frame`, block by block, and returns what was handed over meanwhile.
  std::vector<std::string> runTo(std::uint64_t frame) {
    sink.log.clear();
    for (; position < frame; position += kBlock) schedule->runBlock(position, kBlock, true, sink);
    return sink.log;
  }
  using Log = std::vector<std::string>;
};

TEST_F(EventScheduleTest, EventsApplyAtTheirFrameInOrderAcrossBlocksAndLateOnesAtOnce) {
  send(3, 600);
  send(1, 100);
  send(2, 300);
  send(22, 300);  // same frame: arrival order
  send(4);        // now
  EXPECT_EQ(runTo(1024), (Log{"4@0", "1@100", "2@300", "22@300", "3@600"}));
  send(5, 10);  // long past
  send(6, 1030);
  EXPECT_EQ(runTo(1280), (Log{"5@1024", "6@1030"}));
  EXPECT_FALSE(schedule->waiting());
}

TEST_F(EventScheduleTest, CommandsTakeEffectBetweenWhatWasSentBeforeAndWhatAfter) {
  send(1, 1000);
  runTo(kBlock);  // 1 waits for its frame
  send(5, 800);   // still in the queue when the cancel comes
  send(2);        // for now: a cancel keeps it
  schedule->requestCancel();
  send(3, 1200);
  EXPECT_EQ(runTo(2 * kBlock), (Log{"x1", "x5", "2@256"}));
  EXPECT_EQ(runTo(1280), (Log{"3@1200"}));

  send(7);
  schedule->requestAllNotesOff();
  send(8);
  EXPECT_EQ(runTo(1536), (Log{"7@1280", "off", "8@1280"}));
  schedule->requestAllNotesOff();
  EXPECT_EQ(runTo(1792), (Log{"off"}));
}

// An event that cannot be applied yet holds back everything after it, and an "all notes off"
// sent after it waits behind it.
TEST_F(EventScheduleTest, AHeldEventKeepsItsPlaceAndWhatFollowsWaitsForIt) {
  sink.refused = 9;
  sink.refusals = 2;
  send(1);
  send(9);
  send(2);
  schedule->requestAllNotesOff();
  send(3, 300);  // due by the time it is taken in
  EXPECT_EQ(runTo(kBlock), (Log{"1@0"}));
  EXPECT_EQ(runTo(2 * kBlock), (Log{}));
  EXPECT_TRUE(schedule->waiting());
  EXPECT_EQ(runTo(3 * kBlock), (Log{"9@512", "2@512", "off", "3@512"}));

  sink.refusals = 1;  // now held when its frame comes inside a block
  send(9, 800);
  send(4, 810);
  send(5, 1100);
  EXPECT_EQ(runTo(4 * kBlock), (Log{}));
  EXPECT_EQ(runTo(5 * kBlock), (Log{"9@1024", "4@1024", "5@1100"}));
}

// With the pending list full the rest stays in the queue, and comes in as room is made.
TEST_F(EventScheduleTest, AFullPendingListLeavesEventsQueuedAndLosesNone) {
  constexpr auto kFull = static_cast<std::uint32_t>(EventSchedule::kPendingCapacity);
  for (std::uint32_t i = 0; i < kFull; ++i) send(i, 1000 + i);
  runTo(kBlock);
  for (std::uint32_t i = 0; i < 10; ++i) send(kFull + i, 6000 + i);
  const auto log = runTo(6400);
  ASSERT_EQ(log.size(), kFull + 10);
  for (std::uint32_t i = 0; i < kFull; ++i) ASSERT_EQ(log[i], std::to_string(i) + "@" + std::to_string(1000 + i));
  for (std::uint32_t i = 0; i < 10; ++i)
    EXPECT_EQ(log[kFull + i], std::to_string(kFull + i) + "@" + std::to_string(6000 + i));
}

// An event sent after an "all notes off" that lands while the block takes events in (here the
// sender acts while event 1 is being applied) comes after the command, not cut by it.
TEST_F(EventScheduleTest, AnEventSentRightAfterAllNotesOffIsNotCutByIt) {
  send(1);
  sink.onApply = [this] {
    schedule->requestAllNotesOff();
    send(2);
  };
  const Log log = runTo(2 * kBlock);
  EXPECT_EQ(log, (Log{"1@0", "off", "2@0"}));
}

// Events held back inside a block (an instrument loading) and sent before an "all notes off"
// are applied before it, so it ends their notes; a cancel drops them, held or not.
TEST_F(EventScheduleTest, EventsHeldBackBeforeCommandsAreAppliedBeforeThemOrCancelled) {
  sink.refused = 9;
  sink.refusals = 1;
  send(9, 100);
  send(4, 110);
  runTo(kBlock);
  schedule->requestAllNotesOff();
  EXPECT_EQ(runTo(2 * kBlock), (Log{"9@256", "4@256", "off"}));

  sink.refusals = 1;
  send(9, 600);
  send(5, 610);
  runTo(3 * kBlock);
  schedule->requestCancel();
  schedule->requestAllNotesOff();
  EXPECT_EQ(runTo(4 * kBlock), (Log{"x9", "x5", "off"}));
}

}  // namespace
}  // namespace tonalix::platform

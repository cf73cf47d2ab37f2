#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/mci/FrameScheduler.h"
#include "platform/mci/MidiSequence.h"
#include "platform/mci/PortSequencePlayer.h"
#include "platform/mci/SynthSequencePlayer.h"
#include "tests/platform/AudioTestSupport.h"

using namespace tonalix::platform;

namespace {

constexpr int kRate = 48000;
const std::uint64_t kLeadFrames = static_cast<std::uint64_t>(SynthSequencePlayer::kLeadSeconds * kRate);

// Records what is scheduled; the test moves the rendering position by hand.
class RecordingOutput final : public FrameScheduler {
 public:
  struct Entry {
    std::uint32_t message;
    std::uint64_t frame;
    std::uint64_t positionWhenScheduled;
  };
  bool schedule(std::uint32_t message, std::uint64_t frame) override {
    std::lock_guard lock(mutex);
    entries.push_back({message, frame, position.load()});
    return true;
  }
  void allNotesOff() override { ++allNotesOffCalls; }
  // Like the engine: what was queued for frames not yet rendered never plays.
  void cancelScheduled() override {
    std::lock_guard lock(mutex);
    const std::uint64_t now = position.load();
    std::erase_if(entries, [now](const Entry& e) { return e.frame >= now; });
    ++cancelCalls;
  }
  std::uint64_t framePosition() const override { return position.load(); }
  int sampleRate() const override { return kRate; }

  std::vector<Entry> snapshot() {
    std::lock_guard lock(mutex);
    return entries;
  }

  std::mutex mutex;
  std::vector<Entry> entries;
  std::atomic<std::uint64_t> position{0};
  std::atomic<int> allNotesOffCalls{0};
  std::atomic<int> cancelCalls{0};
};

bool waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 2000; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

// Moves the position in blocks, each only after the feeder has covered it.
void advance(SynthSequencePlayer& player, RecordingOutput& out, std::uint64_t until) {
  while (out.position < until) {
    const std::uint64_t next = out.position + 256;
    ASSERT_TRUE(waitFor([&] { return player.scheduledUntil() >= next || player.finished(); }));
    out.position = next;
  }
}

std::uint64_t expectedFrame(std::uint64_t micros, std::uint64_t start = kLeadFrames) {
  return start + (micros * kRate + 500000) / 1000000;
}

MidiSequence scale(int notes, std::uint64_t stepMicros, std::uint64_t offset = 0) {
  MidiSequence seq;
  for (int i = 0; i < notes; ++i) {
    const auto note = static_cast<std::uint32_t>(60 + i % 24);
    seq.events.push_back({offset + stepMicros * i, 0x640090u | (note << 8)});
    seq.events.push_back({offset + stepMicros * i + stepMicros / 2, 0x000080u | (note << 8)});
  }
  seq.durationMicros = offset + stepMicros * notes;
  return seq;
}

// Which notes are left sounding once every scheduled message has been applied in frame order.
int soundingAfter(std::vector<RecordingOutput::Entry> entries) {
  std::stable_sort(entries.begin(), entries.end(),
                   [](const auto& a, const auto& b) { return a.frame < b.frame; });
  std::map<std::uint32_t, bool> on;
  for (const auto& e : entries) {
    const std::uint32_t key = e.message & 0xFF0Fu;
    const std::uint32_t kind = e.message & 0xF0u;
    if (kind == 0x90u && (e.message >> 16) != 0) on[key] = true;
    if (kind == 0x80u || (kind == 0x90u && (e.message >> 16) == 0)) on[key] = false;
    if (kind == 0xB0u && ((e.message >> 8) & 0x7F) == 123) {
      for (auto& [k, v] : on) if ((k & 0x0F) == (e.message & 0x0F)) v = false;
    }
  }
  return static_cast<int>(std::count_if(on.begin(), on.end(), [](const auto& p) { return p.second; }));
}

}  // namespace

TEST(SynthSequencePlayer, SchedulesEveryMessageAtItsExactFrameInBoundedChunks) {
  MidiSequence seq;
  // Times that do not fall on block or millisecond boundaries.
  for (std::uint64_t t : {0ull, 123457ull, 333333ull, 1000001ull, 1999999ull, 2500017ull}) {
    seq.events.push_back({t, 0x643C90});
  }
  seq.events.push_back({2600000, 0x003C80});
  seq.durationMicros = 3000000;

  RecordingOutput out;
  SynthSequencePlayer player(out);
  player.start(seq, 0);
  advance(player, out, expectedFrame(3000000) + 256);
  ASSERT_TRUE(waitFor([&] { return player.finished(); }));

  const auto entries = out.snapshot();
  ASSERT_EQ(entries.size(), seq.events.size());
  const auto ahead = static_cast<std::uint64_t>(SynthSequencePlayer::kAheadSeconds * kRate);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].message, seq.events[i].message);
    EXPECT_EQ(entries[i].frame, expectedFrame(seq.events[i].micros)) << i;
    EXPECT_GE(entries[i].frame, entries[i].positionWhenScheduled) << "late " << i;
    EXPECT_LT(entries[i].frame, entries[i].positionWhenScheduled + ahead) << "too early " << i;
  }
  EXPECT_EQ(player.lateEvents(), 0u);
}

TEST(SynthSequencePlayer, StopReleasesEveryNoteAndResumesWhereItWasCut) {
  const MidiSequence seq = scale(40, 100000);  // a note every 0.1 s, each held 0.05 s
  RecordingOutput out;
  SynthSequencePlayer player(out);
  player.start(seq, 0);
  // Stop right after note 10 was struck: it sounds, and more are queued ahead.
  const std::uint64_t stopAt = expectedFrame(1000000) + 100;
  advance(player, out, stopAt);
  ASSERT_TRUE(waitFor([&] { return player.scheduledUntil() > stopAt + 2000; }));
  player.stop();

  EXPECT_EQ(out.allNotesOffCalls, 1);
  EXPECT_EQ(out.cancelCalls, 1);
  EXPECT_EQ(soundingAfter(out.snapshot()), 0);
  // Nothing is struck after the stop, not even briefly.
  for (const auto& e : out.snapshot()) {
    if (e.frame >= stopAt) {
      EXPECT_NE(e.message & 0xF0u, 0x90u) << std::hex << e.message;
    }
  }
  // The next start picks up with the first note not yet heard.
  EXPECT_EQ(player.nextIndex(), 21u);
  EXPECT_FALSE(player.finished());
}

TEST(SynthSequencePlayer, NotesLandOnTheSameSamplesAsDirectlyScheduledOnes) {
  // A0 at 0.1234 s: the sequencer's output matches the engine given that frame directly.
  MidiSequence seq;
  seq.events = {{123400, 0x7F4590}, {400000, 0x004580}};
  seq.durationMicros = 500000;
  auto renderAll = [&](bool viaSequencer) {
    AudioEngine engine;
    EXPECT_TRUE(engine.start(test::offlineConfig()));
    SynthSequencePlayer player(engine);
    if (viaSequencer) {
      player.start(seq, 0);
    } else {
      for (const auto& e : seq.events) engine.scheduleShortMessage(e.message, expectedFrame(e.micros));
    }
    std::vector<float> all;
    std::vector<float> block(512);
    for (int i = 0; i < 60; ++i) {
      const std::uint64_t end = engine.framePosition() + 256;
      if (viaSequencer) {
        EXPECT_TRUE(waitFor([&] { return player.scheduledUntil() >= end || player.finished(); }));
      }
      engine.renderOffline(block.data(), 256);
      for (int f = 0; f < 256; ++f) all.push_back(block[2 * f]);
    }
    if (viaSequencer) {
      EXPECT_EQ(player.lateEvents(), 0u);
    }
    return all;
  };
  const auto direct = renderAll(false);
  const auto sequenced = renderAll(true);
  const long onset = test::onsetOf(sequenced);
  ASSERT_GT(onset, 0);
  EXPECT_EQ(onset, test::onsetOf(direct));
  EXPECT_GE(onset, static_cast<long>(expectedFrame(123400)));
  EXPECT_EQ(sequenced, direct);
}

TEST(SynthSequencePlayer, StoppedSongFallsSilentOnTheEngine) {
  const MidiSequence seq = scale(60, 60000);
  AudioEngine engine;
  ASSERT_TRUE(engine.start(test::offlineConfig()));
  SynthSequencePlayer player(engine);
  player.start(seq, 0);
  std::vector<float> block(2 * 256);
  auto renderFor = [&](double seconds, bool follow) {
    std::vector<float> left;
    for (int i = 0; i < static_cast<int>(seconds * kRate / 256); ++i) {
      const std::uint64_t end = engine.framePosition() + 256;
      if (follow) {
        EXPECT_TRUE(waitFor([&] { return player.scheduledUntil() >= end || player.finished(); }));
      }
      engine.renderOffline(block.data(), 256);
      for (int f = 0; f < 256; ++f) left.push_back(block[2 * f]);
    }
    return left;
  };
  const auto playing = renderFor(1.0, true);
  EXPECT_GT(test::peakOf(playing), 0.01f);
  player.stop();
  const auto after = renderFor(4.0, false);
  // Release and reverb die away; nothing is held on.
  const std::vector<float> lastSecond(after.end() - kRate, after.end());
  EXPECT_LT(test::peakOf(lastSecond), 1e-4f);
}

TEST(PortSequencePlayer, SendsInOrderAndReleasesNotesOnStop) {
  std::mutex mutex;
  std::vector<std::uint32_t> sent;
  auto takeSent = [&] {
    std::lock_guard lock(mutex);
    return std::exchange(sent, {});
  };
  PortSequencePlayer player([&](std::uint32_t m) {
    std::lock_guard lock(mutex);
    sent.push_back(m);
  });
  MidiSequence seq = scale(200, 20000);  // 4 s
  seq.events.insert(seq.events.begin(), {0, 0x0005C0});  // program change first
  player.start(seq, 0);
  ASSERT_TRUE(waitFor([&] { return player.nextIndex() > 20; }));
  player.stop();
  const std::size_t played = player.nextIndex();
  const auto first = takeSent();
  ASSERT_GE(first.size(), played);
  for (std::size_t i = 0; i < played; ++i) EXPECT_EQ(first[i], seq.events[i].message) << i;
  // After the song's own messages: release of what sounds, then sustain off and all notes off
  // on every channel.
  std::vector<RecordingOutput::Entry> asEntries;
  for (std::uint32_t m : first) asEntries.push_back({m, 0, 0});
  EXPECT_EQ(soundingAfter(asEntries), 0);
  EXPECT_EQ(std::count_if(first.begin() + static_cast<long>(played), first.end(),
                          [](std::uint32_t m) { return (m & 0xFFF0u) == 0x7BB0u; }),
            16);
  EXPECT_FALSE(player.finished());

  // Resuming later sends the channel set-up it skipped, then carries on.
  player.start(seq, played);
  ASSERT_TRUE(waitFor([&] { return player.nextIndex() > played + 2; }));
  player.stop();
  const auto second = takeSent();
  ASSERT_GT(second.size(), 2u);
  EXPECT_EQ(second.front(), 0x0005C0u);
  EXPECT_EQ(second[1], seq.events[played].message);
}

TEST(PortSequencePlayer, ReachesTheEndOfTheSong) {
  PortSequencePlayer player([](std::uint32_t) {});
  const MidiSequence seq = scale(5, 20000);
  player.start(seq, 0);
  ASSERT_TRUE(waitFor([&] { return player.finished(); }));
  EXPECT_EQ(player.nextIndex(), seq.events.size());
  player.stop();
}

// A song whose instruments were kept ahead sounds in the first block rendered after start().
// The instruments it made ready for itself go with it; the kept ones stay.
TEST(SynthSequencePlayer, KeptInstrumentsStartASongAtOnceAndOutliveIt) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(test::offlineConfig()));
  const int atStart = engine.instrumentsHeld();  // piano and drum kit
  engine.keepInstruments({0x28C0});               // violin
  ASSERT_TRUE(engine.holdsInstrument(0, 40));

  MidiSequence seq;
  seq.events = {{0, 0x28C0}, {0, 0x7F4590}, {500000, 0x004580}};
  for (std::uint32_t program = 1; program <= 30; ++program)  // never heard: it stops before
    seq.events.push_back({10000000 + program * 100000, 0xC1u | (program << 8)});
  seq.durationMicros = 14000000;
  SynthSequencePlayer player(engine);
  player.start(seq, 0);
  std::vector<float> block(2 * 512);
  engine.renderOffline(block.data(), 512);
  EXPECT_GT(test::peakOf(block), 0.01f);
  player.stop();

  // Three more changes, then a reset: the violin is neither chosen nor among the latest.
  for (std::uint32_t program = 50; program <= 52; ++program) {
    engine.sendShortMessage(0xC2u | (program << 8));
    engine.renderOffline(block.data(), 512);
  }
  engine.sendShortMessage(0xFF);
  int held = 0;
  for (int second = 0; second < 40 && (held = engine.instrumentsHeld()) > atStart + 3; ++second)
    for (int i = 0; i < kRate / 512; ++i) engine.renderOffline(block.data(), 512);
  EXPECT_EQ(held, atStart + 3);  // the violin and the two latest
  EXPECT_TRUE(engine.holdsInstrument(0, 40));
}

#include "platform/audio/AudioEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "tests/platform/AudioTestSupport.h"

namespace tonalix::platform {
namespace {

using testing::kSmallSoundFont;

constexpr int kRate = 48000;

AudioConfig offline(const std::string& font = kSmallSoundFont) { return test::offlineConfig(font); }

std::vector<float> render(AudioEngine& engine, int frames) {
  std::vector<float> stereo(2 * static_cast<std::size_t>(frames));
  engine.renderOffline(stereo.data(), frames);
  return test::leftChannel(stereo);
}

double rms(const std::vector<float>& x, std::size_t from, std::size_t to) {
  double s = 0;
  for (std::size_t i = from; i < to; ++i) s += double(x[i]) * x[i];
  return std::sqrt(s / double(to - from));
}

// Onset of an A4 scheduled at `frame` in a fresh engine.
long onsetForNoteAt(std::uint64_t frame) {
  AudioEngine engine;
  EXPECT_TRUE(engine.start(offline()));
  engine.scheduleShortMessage(0x7F4590, frame);
  return test::onsetOf(render(engine, 4096));
}

TEST(AudioEngine, NoteSoundsAtItsPitchAndLevel) {
  for (auto [note, hz] : {std::pair{69, 440.0}, std::pair{57, 220.0}}) {
    AudioEngine engine;
    ASSERT_TRUE(engine.start(offline()));
    EXPECT_EQ(engine.outputName(), "offline");
    engine.sendShortMessage(0x7F0090u | (static_cast<std::uint32_t>(note) << 8));
    auto out = render(engine, kRate / 2);
    std::vector<float> body(out.begin() + kRate / 10, out.end());
    EXPECT_NEAR(test::pitchOf(body, kRate), hz, 3.0) << "note " << note;
    const float peak = test::peakOf(out);
    EXPECT_GT(peak, 0.05f);  // clearly audible
    EXPECT_LT(peak, 0.9f);   // and not clipping
  }
}

TEST(AudioEngine, FrameCounterAdvancesWithRendering) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  EXPECT_EQ(engine.framePosition(), 0u);
  render(engine, 1000);
  EXPECT_EQ(engine.framePosition(), 1000u);
}

// FluidSynth synthesises in 64-frame blocks and applies events between blocks, so a scheduled
// event sounds at the first block boundary at or after its frame: never early, at most 63 late.
TEST(AudioEngine, ScheduledEventsSoundNeverEarlyAndWithinOneSynthBlock) {
  const long atBoundary = onsetForNoteAt(1024);
  ASSERT_GE(atBoundary, 1024);
  const long attack = atBoundary - 1024;  // leading silence of the sample itself
  EXPECT_EQ(onsetForNoteAt(1024 + 64), atBoundary + 64);
  EXPECT_EQ(onsetForNoteAt(1024 + 640), atBoundary + 640);
  for (std::uint64_t frame : {1000u, 1037u, 1100u, 1301u}) {
    const long sound = onsetForNoteAt(frame) - attack;
    EXPECT_GE(sound, static_cast<long>(frame)) << frame;
    EXPECT_LT(sound, static_cast<long>(frame) + 64) << frame;
  }
  // F and F + 37 stay apart by 37 give or take one synthesis block.
  EXPECT_NEAR(onsetForNoteAt(1037) - onsetForNoteAt(1000), 37, 64);
}

TEST(AudioEngine, EventsInThePastApplyAtTheNextBlock) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  render(engine, 2048);
  engine.scheduleShortMessage(0x7F4590, 10);  // long gone
  auto out = render(engine, 2048);
  const long onset = test::onsetOf(out);
  ASSERT_GE(onset, 0);
  EXPECT_LT(onset, onsetForNoteAt(0) + 64);
}

TEST(AudioEngine, CancelDropsWhatIsScheduledAheadButKeepsWhatIsSentForNow) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  render(engine, 256);
  engine.scheduleShortMessage(0x7F3C90, 4800);  // a song's note 0.1 s ahead
  engine.cancelScheduled();
  EXPECT_LT(test::peakOf(render(engine, 9600)), 1e-6f);

  engine.scheduleShortMessage(0x7F3C90, engine.framePosition() + 2400);
  engine.sendShortMessage(0x7F4590);  // a live note struck now
  engine.cancelScheduled();
  const auto heard = render(engine, 9600);
  EXPECT_GT(test::peakOf(heard), 0.01f);
  EXPECT_NEAR(test::pitchOf(std::vector<float>(heard.begin() + 1200, heard.end()), kRate), 440.0, 4.0);
  // Scheduling after a cancel works as before.
  engine.sendShortMessage(0x004580);
  render(engine, kRate * 4);
  engine.scheduleShortMessage(0x7F3C90, engine.framePosition() + 1000);
  EXPECT_GT(test::peakOf(render(engine, 4800)), 0.01f);
}

TEST(AudioEngine, NoteOffAndVelocityZeroNoteOnBothStopTheNote) {
  auto tailAfter = [](std::uint32_t stop) {
    AudioEngine engine;
    EXPECT_TRUE(engine.start(offline()));
    engine.sendShortMessage(0x7F3C90);
    render(engine, kRate / 4);
    if (stop) engine.sendShortMessage(stop);
    auto out = render(engine, kRate * 3 / 2);
    return rms(out, kRate, kRate * 3 / 2);  // from 1 s after the stop
  };
  const double held = tailAfter(0);
  ASSERT_GT(held, 1e-3);
  EXPECT_LT(tailAfter(0x003C90), held * 0.05);  // note-on with velocity 0
  EXPECT_LT(tailAfter(0x003C80), held * 0.05);  // note-off
}

TEST(AudioEngine, AllNotesOffSilencesSustainedNotes) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  engine.sendShortMessage(0x7F40B0);  // sustain pedal down
  engine.sendShortMessage(0x7F3C90);
  engine.sendShortMessage(0x003C80);  // released key, but the pedal holds it
  render(engine, kRate / 4);
  engine.allNotesOff();
  auto out = render(engine, kRate * 3 / 2);
  EXPECT_LT(rms(out, kRate, kRate * 3 / 2), 1e-4);
}

TEST(AudioEngine, IdleSynthOutputsExactSilenceAndWakesOnTheNextNote) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  engine.sendShortMessage(0x7F3C90);
  render(engine, kRate / 10);
  engine.sendShortMessage(0x003C80);
  render(engine, kRate * 6);  // release and effect tail die away
  auto idle = render(engine, kRate / 2);
  EXPECT_EQ(test::peakOf(idle), 0.0f);
  engine.sendShortMessage(0x7F4590);
  auto again = render(engine, kRate / 2);
  EXPECT_GT(test::peakOf(again), 0.05f);
}

TEST(AudioEngine, FullQueueRefusesMessagesButNeverLosesACommand) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  engine.sendShortMessage(0x7F40B0);  // sustain pedal down: only a command silences the note
  engine.sendShortMessage(0x7F3C90);
  render(engine, kRate / 4);
  int accepted = 0;
  while (engine.sendShortMessage(0x00B0 | (7 << 8) | (100 << 16)) && accepted < 100000) ++accepted;
  EXPECT_GE(accepted, 1024);
  EXPECT_LT(accepted, 100000);
  EXPECT_FALSE(engine.scheduleShortMessage(0x7F4590, 0));
  engine.allNotesOff();
  auto out = render(engine, kRate * 3 / 2);
  EXPECT_LT(rms(out, kRate, kRate * 3 / 2), 1e-4);
  EXPECT_TRUE(engine.sendShortMessage(0x7F4590));
}

TEST(AudioEngine, MissingOrBrokenSoundFontFailsWithAClearMessageAndKeepsRunning) {
  const std::string garbage = ::testing::TempDir() + "/not-a-soundfont.sf2";
  {
    std::ofstream f(garbage);
    f << "this is not RIFF data";
  }
  for (const std::string& font : {std::string("/nonexistent/none.sf2"), garbage}) {
    AudioEngine engine;
    EXPECT_FALSE(engine.start(offline(font))) << font;
    EXPECT_FALSE(engine.soundFontLoaded());
    EXPECT_NE(engine.lastError().find("nstall the package"), std::string::npos) << engine.lastError();
    EXPECT_NE(engine.lastError().find("fluid-soundfont-gm"), std::string::npos);
    EXPECT_TRUE(engine.sendShortMessage(0x7F4590));
    auto out = render(engine, 4096);
    EXPECT_EQ(test::peakOf(out), 0.0f);
    EXPECT_EQ(engine.framePosition(), 4096u);
  }
  std::remove(garbage.c_str());
}

// An instrument is loaded when it is chosen and let go only once no channel has it and none
// of its notes sounds: a note keeps ringing on its own instrument after the channel has moved
// on, and the instrument comes back when chosen again.
TEST(AudioEngine, InstrumentsAreLetGoOnlyOnceNothingSoundsThem) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  const int atStart = engine.instrumentsHeld();  // what a reset selects: piano and drum kit
  EXPECT_EQ(atStart, 2);
  engine.sendShortMessage(0x28C0);  // violin, which sustains
  engine.sendShortMessage(0x7F4590);
  render(engine, kRate / 5);
  for (std::uint32_t program = 41; program <= 45; ++program) {
    engine.sendShortMessage(0xC0u | (program << 8));
    render(engine, 256);
  }
  auto held = render(engine, kRate / 2);
  EXPECT_NEAR(test::pitchOf(std::vector<float>(held.begin(), held.begin() + kRate / 4), kRate), 440.0, 3.0);
  // The violin sounds, 45 is chosen, 44 and 43 are kept as the latest; 41 and 42 went.
  EXPECT_EQ(engine.instrumentsHeld(), atStart + 4);
  engine.sendShortMessage(0x004580);
  render(engine, kRate * 3);
  EXPECT_EQ(engine.instrumentsHeld(), atStart + 3);
  engine.sendShortMessage(0x28C0);
  engine.sendShortMessage(0x7F4590);
  auto again = render(engine, kRate / 2);
  EXPECT_NEAR(test::pitchOf(std::vector<float>(again.begin() + kRate / 10, again.end()), kRate), 440.0, 3.0);
}

// Senders change instruments on their threads while the audio thread selects on its own, with
// notes sounding throughout: the counts of who holds what stay right, so nothing is let go while
// a note or channel has it (it would be read after being freed) and, once all is quiet, all but
// a few are let go.
TEST(AudioEngine, InstrumentChangesFromManyThreadsWhileNotesSoundKeepEverySampleInPlace) {
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline()));
  std::atomic<bool> done{false};
  auto sender = [&engine](std::uint32_t channel, std::uint32_t step) {
    for (std::uint32_t i = 0; i < 150; ++i) {
      const std::uint32_t program = (i * step) % 128;
      engine.sendShortMessage(0xC0u | channel | (program << 8));
      engine.sendShortMessage(0x7F0090u | channel | ((48u + i % 24) << 8));
      if (i % 3 == 0) engine.sendShortMessage(0x000080u | channel | ((48u + (i + 12) % 24) << 8));
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  };
  std::thread renderer([&] {
    std::vector<float> block(2 * 256);
    while (!done.load()) engine.renderOffline(block.data(), 256);
  });
  std::thread a(sender, 1u, 7u), b(sender, 2u, 11u);
  sender(0u, 5u);
  a.join();
  b.join();
  done = true;
  renderer.join();
  engine.allNotesOff();
  // Some of this font's instruments fade for many seconds after their note ends.
  int held = 0;
  for (int second = 0; second < 40 && (held = engine.instrumentsHeld()) > 3 + 2 + 2; ++second)
    render(engine, kRate);
  EXPECT_LE(held, 3 + 2 + 2);  // each channel's instrument, the two latest, piano and drum kit
  // A reset chooses piano and drum kit on every channel again.
  engine.sendShortMessage(0xFF);
  render(engine, 512);
  EXPECT_EQ(engine.instrumentsHeld(), 2 + 2);
  engine.sendShortMessage(0x7F4591);
  auto out = render(engine, kRate / 2);
  EXPECT_GT(test::peakOf(out), 0.01f);
}

// Instruments are read from the SoundFont as they are chosen: an upgrade that replaces the file
// meanwhile changes nothing for the running program.
TEST(AudioEngine, InstrumentsStillLoadAfterTheSoundFontFileIsReplaced) {
  const std::string font = ::testing::TempDir() + "/replaced-while-running.sf2";
  std::filesystem::copy_file(kSmallSoundFont, font, std::filesystem::copy_options::overwrite_existing);
  AudioEngine engine;
  ASSERT_TRUE(engine.start(offline(font)));
  std::filesystem::remove(font);
  std::ofstream(font) << "not a SoundFont any more";
  engine.sendShortMessage(0x38C0);  // trumpet: not loaded at start
  engine.sendShortMessage(0x7F4590);
  auto out = render(engine, kRate / 2);
  EXPECT_NEAR(test::pitchOf(std::vector<float>(out.begin() + kRate / 10, out.end()), kRate), 440.0, 3.0);
  EXPECT_EQ(engine.soundFontPath(), font);
  std::filesystem::remove(font);
}

TEST(AudioEngine, NullOutputKeepsRealTime) {
  AudioEngine engine;
  AudioConfig c = offline();
  c.output = AudioConfig::Output::Null;
  ASSERT_TRUE(engine.start(c));
  EXPECT_EQ(engine.outputName(), "null");
  const auto t0 = std::chrono::steady_clock::now();
  const std::uint64_t f0 = engine.framePosition();
  auto elapsed = [&t0] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  };
  // Time must not stand still: waited for, not timed, as a busy machine may hold the thread
  // back a while. Nor may it race ahead of the clock on the wall.
  double rendered = 0;
  while ((rendered = double(engine.framePosition() - f0) / kRate) < 0.4 && elapsed() < 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const double seconds = elapsed();
  EXPECT_GE(rendered, 0.4);
  EXPECT_LT(rendered, seconds * 1.5 + 0.05);
  engine.stop();
  const std::uint64_t stopped = engine.framePosition();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // time stands still once stopped
  EXPECT_EQ(engine.framePosition(), stopped);
}

}  // namespace
}  // namespace tonalix::platform

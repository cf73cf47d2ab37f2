// Recording from a sound-server input named by TONALIX_RECORD_SOURCE: the engine plays into a
// private PulseAudio daemon's null sink and the recorder takes the sink's monitor as its
// microphone. Skipped where no PulseAudio daemon can be started.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/mci/MciSystem.h"
#include "platform/midiout/MidiOut.h"
#include "tests/platform/AudioTestSupport.h"
#include "tests/support/PulseDaemon.h"

namespace tonalix::platform {
namespace {

MCIERROR run(const std::string& command) { return mciSendStringA(command.c_str(), nullptr, 0, 0); }
// How much the take holds so far, in milliseconds.
long lengthMs() {
  char length[64] = {};
  if (mciSendStringA("status recsound length", length, sizeof length, 0) != 0) return -1;
  return std::strtol(length, nullptr, 10);
}

TEST(PulseRecord, TheNamedInputIsRecordedAtTheChosenRate) {
  if (!testing::onPath("pulseaudio") || !testing::onPath("pactl")) GTEST_SKIP() << "PulseAudio is not installed";
  testing::PulseDaemon daemon({"tonalix_rec"});
  if (!daemon.start()) GTEST_SKIP() << "no PulseAudio daemon could be started here";
  setenv("XDG_DATA_HOME", (daemon.folder() + "/data").c_str(), 1);
  setenv("TONALIX_RECORD_SOURCE", "tonalix_rec.monitor", 1);

  AudioEngine engine;
  AudioConfig config;
  config.soundFont = testing::kSmallSoundFont;
  ASSERT_TRUE(engine.start(config)) << engine.lastError();
  ASSERT_EQ(engine.outputName(), "pulseaudio");
  setBuiltInSynth(&engine);

  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("set recsound bitspersample 16 channels 2 samplespersec 44100"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  engine.sendShortMessage(0x7F4590);  // A4, 440 Hz
  std::this_thread::sleep_for(std::chrono::milliseconds(900));
  engine.sendShortMessage(0x004580);
  // A null sink hands its monitor's sound over in blocks of up to two seconds, later still on
  // a busy machine: wait until the take holds the note and a second and a half after it.
  for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       lengthMs() < 2900 && std::chrono::steady_clock::now() < end;)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(run("stop recsound"), 0u);
  const std::string path = daemon.folder() + "/from the input.wav";
  EXPECT_EQ(run("save recsound " + path), 0u);
  EXPECT_EQ(run("close recsound"), 0u);
  unsetenv("TONALIX_RECORD_SOURCE");
  setBuiltInSynth(nullptr);
  engine.stop();

  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(info.samplerate, 44100);
  std::vector<float> stereo(static_cast<std::size_t>(info.frames * 2));
  sf_readf_float(f, stereo.data(), info.frames);
  sf_close(f);
  EXPECT_GT(info.frames, 44100);
  const std::vector<float> left = test::leftChannel(stereo);
  const long onset = test::onsetOf(left, 0.01f);
  ASSERT_GE(onset, 0) << "the note is not in the take";
  ASSERT_LT(onset + 44100 / 10 + 44100 / 2, static_cast<long>(left.size()));
  const std::vector<float> steady(left.begin() + onset + 4410, left.begin() + onset + 4410 + 22050);
  EXPECT_NEAR(test::pitchOf(steady, 44100), 440.0, 4.0);
}

// An input that goes away mid-take (a microphone unplugged) fails the next check with the
// reason, and what was recorded before it stays a readable take.
TEST(PulseRecord, AnInputLostMidTakeFailsTheCheckAndKeepsTheTake) {
  if (!testing::onPath("pulseaudio") || !testing::onPath("pactl")) GTEST_SKIP() << "PulseAudio is not installed";
  testing::PulseDaemon daemon({"tonalix_unplugged"});
  if (!daemon.start()) GTEST_SKIP() << "no PulseAudio daemon could be started here";
  setenv("XDG_DATA_HOME", (daemon.folder() + "/data").c_str(), 1);
  setenv("TONALIX_RECORD_SOURCE", "tonalix_unplugged.monitor", 1);
  const auto within = [](auto condition) {
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
      if (condition()) return true;
    return condition();
  };

  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("set recsound bitspersample 16 channels 2 samplespersec 44100"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  ASSERT_TRUE(within([] { return lengthMs() > 0; })) << "nothing arrived from the input";
  // The null sink's module takes its monitor with it, as an unplugged device takes its input.
  ASSERT_EQ(std::system("pactl unload-module $(pactl list short modules | "
                        "awk '/sink_name=tonalix_unplugged/ {print $1}') >/dev/null 2>&1"),
            0);
  MCIERROR failed = 0;
  EXPECT_TRUE(within([&] { return (failed = run("status recsound length")) != 0; }))
      << "the checks go on succeeding after the input has gone";
  char text[512] = {};
  mciGetErrorStringA(failed, text, sizeof text);
  EXPECT_NE(std::string(text).find("\"tonalix_unplugged.monitor\" was lost"), std::string::npos) << text;

  EXPECT_EQ(run("stop recsound"), 0u);
  const std::string path = daemon.folder() + "/cut short.wav";
  // The save keeps what was recorded and still tells, in the box, that the input was lost.
  const MCIERROR saved = run("save recsound " + path);
  char told[512] = {};
  mciGetErrorStringA(saved, told, sizeof told);
  EXPECT_NE(std::string(told).find("was lost"), std::string::npos) << told;
  EXPECT_NE(std::string(told).find("saved as " + path), std::string::npos) << told;
  EXPECT_EQ(run("close recsound"), 0u);
  unsetenv("TONALIX_RECORD_SOURCE");

  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_close(f);
  EXPECT_EQ(info.samplerate, 44100);
  EXPECT_GT(info.frames, 0);
}

}  // namespace
}  // namespace tonalix::platform

// The real audio path: the engine plays into a private PulseAudio daemon with a null sink and
// the sound is captured from the sink's monitor and checked for its pitch. Skipped where no
// PulseAudio daemon can be started.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "tests/platform/AudioTestSupport.h"
#include "tests/support/PulseDaemon.h"
#include "tests/support/ScratchDir.h"

extern char** environ;

namespace tonalix::platform {
namespace {

constexpr int kRate = 48000;
constexpr const char* kSink = "tonalix_test";

using testing::onPath;

// Reads the monitor of the null sink into memory for as long as it lives.
class MonitorCapture {
 public:
  MonitorCapture() {
    const std::string cmd = std::string("parec -d ") + kSink +
                            ".monitor --latency-msec=5 --format=float32le --channels=1 --rate=" +
                            std::to_string(kRate) + " --raw 2>/dev/null";
    pipe_ = popen(cmd.c_str(), "r");
    if (pipe_) reader_ = std::thread([this] { run(); });
  }
  ~MonitorCapture() {
    // The monitor streams without pause, so the reader sees the flag within a read; closing
    // the pipe then ends this parec alone (tests running side by side each have their own).
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (pipe_) pclose(pipe_);
  }
  bool ok() const { return pipe_ != nullptr; }
  std::size_t size() {
    std::lock_guard lock(mutex_);
    return samples_.size();
  }
  std::vector<float> from(std::size_t start) {
    std::lock_guard lock(mutex_);
    if (start >= samples_.size()) return {};
    return {samples_.begin() + static_cast<std::ptrdiff_t>(start), samples_.end()};
  }

 private:
  void run() {
    float buf[256];
    while (!stop_) {
      const std::size_t n = std::fread(buf, sizeof(float), 256, pipe_);
      if (n == 0) break;
      std::lock_guard lock(mutex_);
      samples_.insert(samples_.end(), buf, buf + n);
    }
  }
  FILE* pipe_ = nullptr;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<float> samples_;
};


// What the server lists for its playback streams (names, properties, corked state).
std::string sinkInputs() {
  std::string out;
  if (FILE* p = popen("pactl list sink-inputs 2>/dev/null", "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

template <typename Pred>
bool waitUntil(std::chrono::milliseconds limit, Pred pred) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return pred();
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Captures the monitor long enough to get past the silence an idle sink queues for a new reader,
// then returns what arrives while `play` runs, waiting a little for a capture that lags behind
// on a busy machine until the sound and half a second after it are in.
template <typename Play>
std::vector<float> hearWhile(MonitorCapture& capture, Play play) {
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  const std::size_t before = capture.size();
  play();
  std::vector<float> heard;
  waitUntil(std::chrono::seconds(10), [&] {
    heard = capture.from(before);
    const long onset = test::onsetOf(heard, 0.01f);
    return onset >= 0 && onset + kRate / 10 + kRate / 2 < static_cast<long>(heard.size());
  });
  return heard;
}

double pitchAfterOnset(const std::vector<float>& heard) {
  const long onset = test::onsetOf(heard, 0.01f);
  if (onset < 0 || onset + kRate / 10 + kRate / 2 >= static_cast<long>(heard.size())) return 0;
  const auto begin = heard.begin() + onset + kRate / 10;
  return test::pitchOf(std::vector<float>(begin, begin + kRate / 2), kRate);
}

// The engine as the program starts it, with the test's small SoundFont at the test's rate: it
// finds the private daemon through the environment the daemon set.
AudioConfig onTheServer() {
  AudioConfig config;
  config.soundFont = testing::kSmallSoundFont;
  config.sampleRate = kRate;
  return config;
}

TEST(PulseOutput, ANoteSentToTheEngineIsHeardOnTheSoundServerAtItsPitch) {
  if (!onPath("pulseaudio") || !onPath("parec") || !onPath("pactl"))
    GTEST_SKIP() << "PulseAudio tools are not installed";
  testing::PulseDaemon daemon({kSink});
  if (!daemon.start()) GTEST_SKIP() << "no PulseAudio daemon could be started here";

  AudioEngine engine;
  ASSERT_TRUE(engine.start(onTheServer())) << engine.lastError();
  ASSERT_EQ(engine.outputName(), "pulseaudio");

  MonitorCapture capture;
  ASSERT_TRUE(capture.ok());
  const std::vector<float> heard = hearWhile(capture, [&] {
    engine.sendShortMessage(0x7F4590);  // A4, 440 Hz
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    engine.sendShortMessage(0x004580);
  });
  engine.stop();
  ASSERT_GT(heard.size(), 0u) << "nothing captured from the monitor";
  ASSERT_GE(test::onsetOf(heard, 0.01f), 0) << "the note never reached the sink";
  EXPECT_NEAR(pitchAfterOnset(heard), 440.0, 4.0);
}

TEST(PulseOutput, AnIdleStreamIsCorkedKeepsTimeAndTheNextNoteUncorksItAndIsHeard) {
  if (!onPath("pulseaudio") || !onPath("parec") || !onPath("pactl"))
    GTEST_SKIP() << "PulseAudio tools are not installed";
  testing::PulseDaemon daemon({kSink});
  if (!daemon.start()) GTEST_SKIP() << "no PulseAudio daemon could be started here";

  AudioEngine engine;
  ASSERT_TRUE(engine.start(onTheServer())) << engine.lastError();
  ASSERT_EQ(engine.outputName(), "pulseaudio");
  const std::string listed = sinkInputs();
  EXPECT_TRUE(contains(listed, "application.name = \"Tonalix STUDIO\"")) << listed;
  EXPECT_TRUE(contains(listed, "media.role = \"music\"")) << listed;

  engine.sendShortMessage(0x7F4590);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  engine.sendShortMessage(0x004580);
  // The note, its effect tail, then a moment of silence: the stream is corked.
  ASSERT_TRUE(waitUntil(std::chrono::seconds(15), [] { return contains(sinkInputs(), "Corked: yes"); }))
      << sinkInputs();

  const auto t0 = std::chrono::steady_clock::now();
  const std::uint64_t f0 = engine.framePosition();
  MonitorCapture capture;
  ASSERT_TRUE(capture.ok());
  const std::vector<float> heard = hearWhile(capture, [&] {
    // Songs and taps follow the engine's frames, so they must keep moving while corked.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NEAR(double(engine.framePosition() - f0) / kRate, seconds, 0.5);
    EXPECT_TRUE(contains(sinkInputs(), "Corked: yes"));
    engine.sendShortMessage(0x7F4590);  // A4, 440 Hz
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    EXPECT_TRUE(contains(sinkInputs(), "Corked: no"));
    engine.sendShortMessage(0x004580);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  });
  engine.stop();
  EXPECT_NEAR(pitchAfterOnset(heard), 440.0, 4.0) << "the first note after the idle spell was not heard";
}

TEST(PulseOutput, AfterTheServerIsKilledAndRestartedTheHeldNoteSoundsAgainByItself) {
  if (!onPath("pulseaudio") || !onPath("parec") || !onPath("pactl"))
    GTEST_SKIP() << "PulseAudio tools are not installed";
  testing::PulseDaemon daemon({kSink});
  if (!daemon.start()) GTEST_SKIP() << "no PulseAudio daemon could be started here";

  AudioEngine engine;
  ASSERT_TRUE(engine.start(onTheServer())) << engine.lastError();
  ASSERT_EQ(engine.outputName(), "pulseaudio");
  engine.sendShortMessage(0x49C0);    // flute: it sounds for as long as the key is held
  engine.sendShortMessage(0x7F4590);  // A4 held through the restart
  std::this_thread::sleep_for(std::chrono::milliseconds(500));

  daemon.kill();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_TRUE(daemon.start());
  ASSERT_TRUE(waitUntil(std::chrono::seconds(5), [] { return contains(sinkInputs(), "Tonalix STUDIO"); }))
      << "the stream did not come back";

  MonitorCapture capture;
  ASSERT_TRUE(capture.ok());
  const std::vector<float> heard =
      hearWhile(capture, [] { std::this_thread::sleep_for(std::chrono::milliseconds(900)); });
  engine.stop();
  EXPECT_EQ(engine.outputName(), "none");
  EXPECT_NEAR(pitchAfterOnset(heard), 440.0, 4.0) << "the held note is not heard after the restart";
}

// A server that is missing, or that accepts the connection and never answers: the engine
// falls back to another output within a bounded wait and keeps running.
TEST(PulseOutput, AnOutputThatCannotConnectFallsBack) {
  const testing::ScratchDir scratch("tonalix-nopulse");
  ASSERT_TRUE(scratch.made());
  const std::string dir = scratch.str();
  const std::string mute = dir + "/mute";
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", mute.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(listen(listener, 4), 0);

  const char* saved = std::getenv("PULSE_SERVER");
  const std::string restore = saved ? saved : "";
  for (const std::string& server : {"unix:" + dir + "/absent", "unix:" + mute}) {
    SCOPED_TRACE(server);
    setenv("PULSE_SERVER", server.c_str(), 1);
    AudioEngine engine;
    AudioConfig config;
    config.soundFont = testing::kSmallSoundFont;
    config.sampleRate = kRate;
    ASSERT_TRUE(engine.start(config)) << engine.lastError();
    EXPECT_NE(engine.outputName(), "pulseaudio");
    const std::uint64_t f0 = engine.framePosition();
    EXPECT_TRUE(waitUntil(std::chrono::seconds(2), [&] { return engine.framePosition() > f0; }));
  }
  if (saved) setenv("PULSE_SERVER", restore.c_str(), 1);
  else unsetenv("PULSE_SERVER");
  close(listener);
}

}  // namespace
}  // namespace tonalix::platform

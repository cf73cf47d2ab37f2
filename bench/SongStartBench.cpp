// Click to first sound of each of the twenty sample songs, the way a song button starts one:
// the built-in song written to its temporary file, "open ... type sequencer alias mymidi" and
// "play mymidi" through the command layer, until the first block with sound leaves the
// synthesizer (its first note is at time 0 in every song). The engine renders on its
// real-time null output, so the figures are the program's own share; with --pulse it plays
// into a private PulseAudio daemon instead, and the time is taken to the first sound captured
// from the sink's monitor, as heard. Prints each song's time, then the median and the worst,
// and the peak resident memory of this process.
// Usage: song_start_bench [--no-preload] [--pulse] [SoundFont, default FluidR3_GM]
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/Percentile.h"
#include "platform/audio/AudioEngine.h"
#include "platform/audio/MixHooks.h"
#include "platform/mci/MciCalls.h"
#include "platform/midiout/MidiOut.h"
#include "platform/system/BuiltInData.h"
#include "songs/SampleSongCatalogue.h"
#include "songs/SampleSongInstruments.h"
#include "songs/SampleTempFiles.h"
#include "tests/support/PulseDaemon.h"
#include "tests/support/ScratchDir.h"

using namespace tonalix;
using Clock = std::chrono::steady_clock;

namespace {

// Notes when the first sounding block leaves after it was armed, and how long the output has
// been silent.
class FirstSound final : public platform::MixTap {
 public:
  void arm() {
    heard_.store(0, std::memory_order_relaxed);
    armed_.store(true, std::memory_order_release);
  }
  // 0 until heard.
  std::int64_t heardAt() const { return heard_.load(std::memory_order_acquire); }
  int silentBlocks() const { return silent_.load(std::memory_order_relaxed); }

  void deliver(const float* left, const float* right, int frames) noexcept override {
    bool sound = false;
    for (int i = 0; i < frames && !sound; ++i) sound = std::fabs(left[i]) > 1e-5f || std::fabs(right[i]) > 1e-5f;
    silent_.store(sound ? 0 : silent_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    if (sound && armed_.load(std::memory_order_acquire)) {
      armed_.store(false, std::memory_order_relaxed);
      heard_.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
    }
  }

 private:
  std::atomic<bool> armed_{false};
  std::atomic<std::int64_t> heard_{0};
  std::atomic<int> silent_{0};
};

// The first sound captured from a PulseAudio sink's monitor after arm().
class CapturedSound {
 public:
  explicit CapturedSound(const std::string& monitor) {
    const std::string cmd = "parec -d " + monitor +
                            " --latency-msec=1 --format=float32le --channels=1 --rate=48000 --raw 2>/dev/null";
    pipe_ = popen(cmd.c_str(), "r");
    if (pipe_) reader_ = std::thread([this] { read(); });
  }
  ~CapturedSound() {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (pipe_) pclose(pipe_);  // parec ends at its next write into the closed pipe
  }
  bool running() const { return pipe_ != nullptr; }
  void arm() {
    heard_.store(0);
    armed_.store(true);
  }
  std::int64_t heardAt() const { return heard_.load(); }

 private:
  void read() {
    unsigned char bytes[4 * 48];
    std::size_t held = 0;  // bytes of a sample split across two reads
    pollfd in{::fileno(pipe_), POLLIN, 0};
    while (!stop_) {
      if (::poll(&in, 1, 50) <= 0) continue;
      const ssize_t got = ::read(in.fd, bytes + held, sizeof bytes - held);
      if (got <= 0) break;
      const std::size_t total = held + static_cast<std::size_t>(got);
      bool sound = false;
      for (std::size_t at = 0; at + 4 <= total && !sound; at += 4) {
        float sample;
        std::memcpy(&sample, bytes + at, 4);
        sound = std::fabs(sample) > 1e-4f;
      }
      held = total % 4;
      std::memmove(bytes, bytes + total - held, held);
      if (sound && armed_.exchange(false)) heard_.store(Clock::now().time_since_epoch().count());
    }
  }
  FILE* pipe_ = nullptr;
  std::thread reader_;
  std::atomic<bool> stop_{false}, armed_{false};
  std::atomic<std::int64_t> heard_{0};
};

template <typename Done>
bool waitFor(Done done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

long peakKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool preload = true;
  bool pulse = false;
  std::string soundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-preload") == 0) preload = false;
    else if (std::strcmp(argv[i], "--pulse") == 0) pulse = true;
    else soundFont = argv[i];
  }

  std::unique_ptr<testing::PulseDaemon> daemon;
  if (pulse) {
    unsetenv("PULSE_SERVER");
    daemon = std::make_unique<testing::PulseDaemon>(std::vector<std::string>{"tonalix_bench"});
    if (!daemon->start()) {
      std::fprintf(stderr, "No PulseAudio daemon could be started.\n");
      return 1;
    }
  }
  platform::AudioEngine engine;
  platform::AudioConfig config;
  config.output = pulse ? platform::AudioConfig::Output::Automatic : platform::AudioConfig::Output::Null;
  config.soundFont = soundFont;
  if (!engine.start(config)) {
    std::fprintf(stderr, "%s\n", engine.lastError().c_str());
    return 1;
  }
  std::printf("output %s\n", engine.outputName().c_str());
  std::unique_ptr<CapturedSound> captured;
  if (pulse) {
    if (engine.outputName() != "pulseaudio") return 1;
    captured = std::make_unique<CapturedSound>("tonalix_bench.monitor");
    if (!captured->running()) return 1;
    std::this_thread::sleep_for(std::chrono::seconds(2));  // an idle null sink pre-fills about 2 s
  }
  platform::setBuiltInSynth(&engine);
  FirstSound tap;
  engine.attachTap(&tap);

  if (preload) {
    const auto started = Clock::now();
    std::atomic<bool> stop{false};
    songs::KeepSampleSongInstruments(engine, stop);
    std::printf("preload: %.0f ms, %d instruments held\n",
                std::chrono::duration<double, std::milli>(Clock::now() - started).count(), engine.instrumentsHeld());
  }

  const testing::ScratchDir scratch("song-start-bench");
  songs::SampleTempFiles files(scratch.str(), scratch.str() + "/private");
  const platform::MciCalls mci = platform::MciCalls::layer();
  std::vector<double> times;
  for (int n = 1; n <= songs::kSampleSongCount; ++n) {
    // Each song starts into silence, as after a pause between two clicks.
    if (!waitFor([&] { return tap.silentBlocks() > 40; }, std::chrono::seconds(20))) {
      std::fprintf(stderr, "song %d: the previous song never fell silent\n", n);
      return 1;
    }
    tap.arm();
    if (captured) captured->arm();
    const auto click = Clock::now();
    const auto written = files.Write(n, platform::FindResData(songs::SampleSongDataId(n), songs::kSampleSongDataType));
    const std::string open = "open \"" + written.path + "\" type sequencer alias mymidi";
    if (!written.ok() || mci.sendString(open.c_str(), nullptr, 0) != 0 || mci.sendString("play mymidi", nullptr, 0) != 0) {
      std::fprintf(stderr, "song %d could not be started\n", n);
      return 1;
    }
    auto heardAt = [&] { return captured ? captured->heardAt() : tap.heardAt(); };
    if (!waitFor([&] { return heardAt() != 0; }, std::chrono::seconds(20))) {
      std::fprintf(stderr, "song %d: no sound\n", n);
      return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::duration(heardAt()) - click.time_since_epoch()).count();
    times.push_back(ms);
    std::printf("song %2d: %6.1f ms\n", n, ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    mci.sendString("close all", nullptr, 0);
  }
  std::printf("click to first sound %s (%s): median %.1f ms, worst %.1f ms; peak resident %ld MB\n",
              pulse ? "heard through the sound server" : "rendered", preload ? "instruments kept ahead" : "no preload", bench::percentile(times, 0.5),
              bench::percentile(times, 1.0), peakKiB() / 1024);
  engine.detachTap(&tap);
  platform::setBuiltInSynth(nullptr);
  captured.reset();
  return 0;
}

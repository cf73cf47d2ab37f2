// Figures for the sound-server output on a private PulseAudio daemon with null sinks: idle CPU
// and wake-ups once the stream is corked, note-on to sound after long silences, silent runs in
// a held note next to `paplay` at the same latency, and the time to come back after the server
// is killed and restarted. Run through scripts/measure-pulse-output; it starts its own daemon.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "tests/support/PulseDaemon.h"
#include "tests/support/TestSoundFont.h"

extern char** environ;

using namespace tonalix::platform;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 48000;
constexpr int kPeriod = 256;
constexpr const char* kOurSink = "tonalix_bench";
constexpr const char* kPaplaySink = "paplay_bench";

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double worst(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

bool quiet(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

// Reads a sink's monitor: keeps every sample, and stamps the first loud one after arm().
class Monitor {
 public:
  explicit Monitor(const std::string& sink, bool keep) : keep_(keep) {
    const std::string cmd = "exec parec -d " + sink + ".monitor --latency-msec=1 --format=float32le --channels=1 --rate=" +
                            std::to_string(kRate) + " --raw 2>/dev/null";
    pipe_ = popen(cmd.c_str(), "r");
    if (pipe_) reader_ = std::thread([this] { run(); });
  }
  ~Monitor() {
    stop_ = true;  // the monitor streams without pause: the reader sees this within a read
    if (reader_.joinable()) reader_.join();
    if (pipe_) pclose(pipe_);  // parec ends when its pipe closes
  }
  void arm() { loudAt_ = Clock::time_point{}, armed_ = true; }
  bool heard() const { return !armed_; }
  Clock::time_point loudAt() const { return loudAt_; }
  std::size_t size() {
    std::lock_guard lock(mutex_);
    return samples_.size();
  }
  std::vector<float> span(std::size_t from, std::size_t to) {
    std::lock_guard lock(mutex_);
    to = std::min(to, samples_.size());
    if (from >= to) return {};
    return {samples_.begin() + static_cast<std::ptrdiff_t>(from), samples_.begin() + static_cast<std::ptrdiff_t>(to)};
  }

 private:
  void run() {
    float buf[48];
    while (!stop_) {
      const std::size_t n = std::fread(buf, sizeof(float), 48, pipe_);
      if (n == 0) break;
      if (armed_) {
        for (std::size_t i = 0; i < n; ++i)
          if (std::fabs(buf[i]) > 0.01f) {
            loudAt_ = Clock::now();
            armed_ = false;
            break;
          }
      }
      if (keep_) {
        std::lock_guard lock(mutex_);
        samples_.insert(samples_.end(), buf, buf + n);
      }
    }
  }
  const bool keep_;
  FILE* pipe_ = nullptr;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> armed_{false};
  Clock::time_point loudAt_{};
  std::mutex mutex_;
  std::vector<float> samples_;
};

struct ThreadCounts {
  long switches = 0;  // voluntary context switches of every thread: each one is a wake-up
  int realtime = 0;   // threads under SCHED_FIFO or SCHED_RR
};

ThreadCounts threadCounts() {
  ThreadCounts c;
  DIR* dir = opendir("/proc/self/task");
  if (!dir) return c;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    const int policy = sched_getscheduler(std::atoi(e->d_name)) & ~SCHED_RESET_ON_FORK;
    if (policy == SCHED_FIFO || policy == SCHED_RR) ++c.realtime;
    std::ifstream f(std::string("/proc/self/task/") + e->d_name + "/status");
    std::string line;
    while (std::getline(f, line))
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) c.switches += std::stol(line.substr(24));
  }
  closedir(dir);
  return c;
}

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::string ourStreamLine(const char* field) {
  std::string out;
  const std::string cmd = std::string("pactl list sink-inputs | grep -E '") + field + "' | head -n 3";
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

bool waitCorked(double seconds) {
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    if (ourStreamLine("Corked").find("yes") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

AudioConfig config() {
  AudioConfig c;
  c.soundFont = tonalix::testing::kDefaultSoundFont;
  c.sampleRate = kRate;
  c.periodFrames = kPeriod;
  return c;
}

// (1) With nothing sounding: CPU share of the whole process and wake-ups per second.
void idleCost(AudioEngine& engine) {
  engine.sendShortMessage(0x7F3C90);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  engine.sendShortMessage(0x003C80);
  const bool corked = waitCorked(15);
  const ThreadCounts a = threadCounts();
  const double cpu0 = processCpuSeconds();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(10));
  const double wall = ms(Clock::now() - t0) / 1000;
  const double cpu = processCpuSeconds() - cpu0;
  const ThreadCounts b = threadCounts();
  std::printf("(1) idle over 10 s (stream %s): %.2f %% of a core, %.0f wake-ups/s across all threads\n",
              corked ? "corked" : "NOT corked", 100 * cpu / wall, double(b.switches - a.switches) / wall);
}

// (2) Note-on call to the first loud sample on the monitor, each after `silence` seconds.
void firstNoteAfterSilence(AudioEngine& engine, int rounds, int silence) {
  Monitor monitor(kOurSink, false);
  std::vector<double> delays;
  int corked = 0;
  for (int i = 0; i < rounds; ++i) {
    std::this_thread::sleep_for(std::chrono::seconds(silence));
    corked += ourStreamLine("Corked").find("yes") != std::string::npos;
    monitor.arm();
    const auto sent = Clock::now();
    engine.sendShortMessage(0x7F3C90 | (static_cast<std::uint32_t>(i % 12) << 8));
    while (!monitor.heard() && Clock::now() - sent < std::chrono::seconds(2))
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (monitor.heard()) delays.push_back(ms(monitor.loudAt() - sent));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    engine.sendShortMessage(0x003C80 | (static_cast<std::uint32_t>(i % 12) << 8));
  }
  std::printf("(2) note-on to sound after %d s of silence: median %.1f ms, worst %.1f ms (%zu of %d heard, %d corked"
              " before the note; includes parec's capture latency)\n",
              silence, median(delays), worst(delays), delays.size(), rounds, corked);
}

// Runs of at least 32 samples of exact digital silence: the server filling in for late audio.
int silentRuns(const std::vector<float>& x) {
  int runs = 0;
  std::size_t zeros = 0;
  for (float v : x) {
    if (v == 0.0f) {
      if (++zeros == 32) ++runs;
    } else {
      zeros = 0;
    }
  }
  return runs;
}

bool writeSineWav(const std::string& path, int seconds) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const std::uint32_t frames = static_cast<std::uint32_t>(seconds * kRate), data = frames * 8;
  auto u32 = [&](std::uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](std::uint16_t v) { std::fwrite(&v, 2, 1, f); };
  std::fwrite("RIFF", 1, 4, f), u32(36 + data), std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16), u16(3), u16(2), u32(kRate), u32(kRate * 8), u16(8), u16(32);
  std::fwrite("data", 1, 4, f), u32(data);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const float v = 0.3f * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / kRate));
    std::fwrite(&v, 4, 1, f), std::fwrite(&v, 4, 1, f);
  }
  return std::fclose(f) == 0;
}

// (3) A held note from us and a sine from paplay, side by side on two sinks, same latency.
void heldNote(AudioEngine& engine, int seconds, const std::string& wav) {
  if (!writeSineWav(wav, seconds + 4)) return;
  Monitor ours(kOurSink, true), theirs(kPaplaySink, true);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // past the monitors' pre-fill
  const std::string latency = std::to_string(kPeriod * 8);        // bytes of float stereo: one period
  const std::string cmd = "paplay --device=" + std::string(kPaplaySink) + " --latency=" + latency + " " + wav;
  std::thread paplay([cmd] { quiet(cmd); });
  engine.sendShortMessage(0x49C0);    // flute: steady for as long as it is held
  engine.sendShortMessage(0x644590);  // A4
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  const std::size_t a0 = ours.size(), b0 = theirs.size();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const std::vector<float> x = ours.span(a0, a0 + static_cast<std::size_t>(seconds) * kRate);
  const std::vector<float> y = theirs.span(b0, b0 + static_cast<std::size_t>(seconds) * kRate);
  std::printf("    ours:   %s", ourStreamLine("Tonalix|Latency").c_str());
  engine.sendShortMessage(0x004590);
  paplay.join();
  const double minutes = seconds / 60.0;
  std::printf("(3) silent runs (>= 32 samples of digital silence) in a held note over %d s:"
              " ours %.1f per minute, paplay (--latency=%s bytes) %.1f per minute\n",
              seconds, silentRuns(x) / minutes, latency.c_str(), silentRuns(y) / minutes);
}

// (4) Server killed and started again while a note is held: from the new server answering to
// our stream being listed, and whether the note is heard again.
void reconnect(AudioEngine& engine, tonalix::testing::PulseDaemon& daemon, int rounds) {
  engine.sendShortMessage(0x49C0);
  engine.sendShortMessage(0x644590);
  std::vector<double> back;
  int heard = 0;
  for (int i = 0; i < rounds; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    daemon.kill();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    if (!daemon.start()) break;
    const auto up = Clock::now();
    while (Clock::now() - up < std::chrono::seconds(5) && ourStreamLine("Tonalix").empty())
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!ourStreamLine("Tonalix").empty()) back.push_back(ms(Clock::now() - up));
    Monitor monitor(kOurSink, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const std::size_t from = monitor.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    float peak = 0;
    for (float v : monitor.span(from, monitor.size())) peak = std::max(peak, std::fabs(v));
    heard += peak > 0.01f;
  }
  engine.sendShortMessage(0x004590);
  std::printf("(4) server restart to our stream back: median %.0f ms, worst %.0f ms (%zu of %d; held note heard"
              " again in %d; polled with pactl, so a few ms coarse)\n",
              median(back), worst(back), back.size(), rounds, heard);
}

}  // namespace

// Usage: pulse_output_bench [ROUNDS SILENCE_SECONDS HELD_SECONDS]
int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int silence = argc > 2 ? std::atoi(argv[2]) : 30;
  const int held = argc > 3 ? std::atoi(argv[3]) : 60;
  // In a runtime folder of its own: started by hand on a desktop it would otherwise put a second
  // daemon beside the user's.
  unsetenv("PULSE_SERVER");
  tonalix::testing::PulseDaemon daemon({kOurSink, kPaplaySink});
  if (!daemon.start()) {
    std::fprintf(stderr, "No PulseAudio daemon could be started.\n");
    return 1;
  }
  setenv("PULSE_SINK", kOurSink, 1);
  AudioEngine engine;
  engine.start(config());
  std::printf("output %s, period %d at %d Hz, font %s\n", engine.outputName().c_str(), kPeriod, kRate,
              engine.soundFontPath().c_str());
  if (engine.outputName() != "pulseaudio") return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const ThreadCounts threads = threadCounts();
  std::printf("    real-time threads in the process: %d\n", threads.realtime);
  std::printf("    asked: target %d frames (%.1f ms), requests of %d; granted:\n%s", kPeriod, 1000.0 * kPeriod / kRate,
              kPeriod / 2, ourStreamLine("Latency").c_str());
  idleCost(engine);
  firstNoteAfterSilence(engine, rounds, silence);
  heldNote(engine, held, daemon.folder() + "/sine.wav");
  reconnect(engine, daemon, std::max(1, rounds / 2));
  return 0;
}

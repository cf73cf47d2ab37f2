// Figures for the built-in synthesizer: note-to-sound delay inside the engine, the cost of
// queuing a message, SoundFont load time and memory, the audio thread's time around
// instrument changes, and (with --pulse) the delay through a private PulseAudio daemon
// measured on its null sink's monitor.
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/Percentile.h"
#include "platform/audio/AudioEngine.h"
#include "tests/support/PulseDaemon.h"
#include "tests/support/TestSoundFont.h"

using namespace tonalix::platform;
using Clock = std::chrono::steady_clock;

using tonalix::bench::percentile;
using tonalix::testing::kDefaultSoundFont;
using tonalix::testing::kSmallSoundFont;

namespace {

long statusKiB(const char* field) {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  return -1;
}
long rssKiB() { return statusKiB("VmRSS:"); }

// (1) Frames from the note-on call to the first sample above -80 dBFS, offline, blocks of one
// period, a fresh engine per note and a random amount of audio rendered before it.
void noteToSound(const char* font, int period, int trials) {
  std::mt19937 rng(42);
  std::vector<double> frames;
  std::vector<float> block(2 * static_cast<std::size_t>(period));
  for (int t = 0; t < trials; ++t) {
    AudioEngine engine;
    AudioConfig c;
    c.output = AudioConfig::Output::Offline;
    c.soundFont = font;
    c.periodFrames = period;
    if (!engine.start(c)) {
      std::printf("  cannot load %s\n", font);
      return;
    }
    const int preroll = std::uniform_int_distribution<int>(1, 40)(rng);
    for (int i = 0; i < preroll; ++i) engine.renderOffline(block.data(), period);
    const std::uint64_t called = engine.framePosition();
    engine.sendShortMessage(0x7F3C90 | (static_cast<std::uint32_t>(t % 24) << 8));
    long onset = -1;
    for (int b = 0; b < 64 && onset < 0; ++b) {
      const std::uint64_t start = engine.framePosition();
      engine.renderOffline(block.data(), period);
      for (int i = 0; i < period; ++i)
        if (std::fabs(block[2 * static_cast<std::size_t>(i)]) > 1e-4f) {
          onset = static_cast<long>(start - called) + i;
          break;
        }
    }
    if (onset >= 0) frames.push_back(double(onset));
  }
  std::printf("  %-40s period %4d: median %5.0f frames, p99 %5.0f frames (%zu notes)\n", font, period,
              percentile(frames, 0.5), percentile(frames, 0.99), frames.size());
}

// (2) Cost of sendShortMessage from a producer thread while the consumer drains in between.
void sendCost() {
  AudioEngine engine;
  AudioConfig c;
  c.output = AudioConfig::Output::Offline;
  c.soundFont = kSmallSoundFont;
  engine.start(c);
  std::vector<double> ns;
  std::vector<float> block(2 * 256);
  for (int round = 0; round < 200; ++round) {
    for (int i = 0; i < 1000; ++i) {
      const auto t0 = Clock::now();
      engine.sendShortMessage(0x0040B0);  // a controller: no voice work for the consumer
      const auto t1 = Clock::now();
      ns.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
    }
    engine.renderOffline(block.data(), 256);
  }
  std::printf("  sendShortMessage: median %.0f ns, p99 %.0f ns (%zu calls, timer overhead included)\n",
              percentile(ns, 0.5), percentile(ns, 0.99), ns.size());
}

// (3) In a child process each, so the memory figures do not mix.
void loadCost(const char* font) {
  std::fflush(stdout);  // or the child would print our buffered lines again
  const pid_t pid = fork();
  if (pid == 0) {
    const long before = rssKiB();
    AudioEngine engine;
    AudioConfig c;
    c.output = AudioConfig::Output::Offline;
    c.soundFont = font;
    const auto t0 = Clock::now();
    const bool ok = engine.start(c);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    const long loaded = rssKiB();
    std::vector<float> block(2 * 256);
    for (int prog = 0; prog < 128; prog += 8) engine.sendShortMessage(0xC0u | (static_cast<std::uint32_t>(prog) << 8));
    engine.renderOffline(block.data(), 256);
    const long sixteen = rssKiB();
    // Someone trying every instrument in turn: a chord on each, held a quarter second, then
    // the next instrument while the chord fades.
    for (std::uint32_t prog = 0; prog < 128; ++prog) {
      engine.sendShortMessage(0xC0u | (prog << 8));
      for (std::uint32_t note : {60u, 64u, 67u}) engine.sendShortMessage(0x640090u | (note << 8));
      for (int b = 0; b < 47; ++b) engine.renderOffline(block.data(), 256);
      for (std::uint32_t note : {60u, 64u, 67u}) engine.sendShortMessage(0x80u | (note << 8));
    }
    for (int b = 0; b < 1000; ++b) engine.renderOffline(block.data(), 256);
    engine.instrumentsHeld();
    std::printf("  %-40s %s load %6.1f ms, RSS +%6.1f MB after load, +%6.1f MB after 16 programs;\n"
                "  %-40s trying all 128 in turn: peak RSS +%6.1f MB, +%6.1f MB five seconds after\n",
                font, ok ? "ok  " : "FAIL", ms, (loaded - before) / 1024.0, (sixteen - before) / 1024.0, "",
                (statusKiB("VmHWM:") - before) / 1024.0, (rssKiB() - before) / 1024.0);
    std::fflush(stdout);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

// (6) Audio-thread time of every render callback while eight notes sound and the instrument
// changes 200 times (one change every other block, so changes and plain blocks mix). Nothing
// is loaded on the audio thread at a program change: the longest callback must stay well under
// a period. The sender loads what the change needs first; its time is given too.
void programChangesWhileNotesSound(const char* font) {
  AudioEngine engine;
  AudioConfig c;
  c.output = AudioConfig::Output::Offline;
  c.soundFont = font;
  if (!engine.start(c)) {
    std::printf("  cannot load %s\n", font);
    return;
  }
  const int period = engine.periodFrames();
  std::vector<float> block(2 * static_cast<std::size_t>(period));
  for (std::uint32_t note : {48u, 52u, 55u, 60u, 64u, 67u, 72u, 76u})
    engine.sendShortMessage(0x7F0090u | (note << 8));
  engine.renderOffline(block.data(), period);
  // Wall time includes whatever else the machine runs; the thread's CPU time is the work alone.
  auto threadCpuMs = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
  };
  std::vector<double> ms, cpu, send;
  for (int change = 0; change < 200; ++change) {
    const auto program = static_cast<std::uint32_t>((change * 37 + 1) % 128);
    // The sender loads an instrument not loaded yet before its change goes to the audio thread.
    const auto s0 = Clock::now();
    engine.sendShortMessage(0xC0u | (program << 8));
    send.push_back(std::chrono::duration<double, std::milli>(Clock::now() - s0).count());
    for (int b = 0; b < 2; ++b) {
      const double c0 = threadCpuMs();
      const auto t0 = Clock::now();
      engine.renderOffline(block.data(), period);
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      cpu.push_back(threadCpuMs() - c0);
    }
    // The held notes keep sounding on the old instrument; strike them again now and then so
    // voices of the new ones are rendered too.
    if (change % 10 == 9)
      for (std::uint32_t note : {48u, 60u, 72u}) engine.sendShortMessage(0x7F0090u | (note << 8));
  }
  const double periodMs = 1000.0 * period / engine.sampleRate();
  std::printf("  %s, period %.2f ms, %zu callbacks\n", font, periodMs, ms.size());
  for (const auto* figures : {&cpu, &ms}) {
    const double longest = *std::max_element(figures->begin(), figures->end());
    std::printf("    %-9s longest %.2f ms (%.0f %% of a period), p99 %.2f ms, median %.2f ms\n",
                figures == &cpu ? "CPU time" : "wall time", longest, 100.0 * longest / periodMs,
                percentile(*figures, 0.99), percentile(*figures, 0.5));
  }
  std::printf("    sending a change (loads on the sender): longest %.2f ms, p99 %.2f ms, median %.3f ms;"
              " %d instruments loaded at the end\n",
              *std::max_element(send.begin(), send.end()), percentile(send, 0.99), percentile(send, 0.5),
              engine.instrumentsHeld());
}

// (5) CPU used by the audio thread of a null output: while a note plays, and once idle (after
// the release and the effect tail, the engine stops calling the synthesizer).
void idleCpu() {
  AudioEngine engine;
  AudioConfig c;
  c.output = AudioConfig::Output::Null;
  c.soundFont = kDefaultSoundFont;
  engine.start(c);
  auto cpuShare = [](double seconds) {
    timespec a{}, b{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    const double cpu = double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) / 1e9;
    return 100.0 * cpu / std::chrono::duration<double>(Clock::now() - t0).count();
  };
  engine.sendShortMessage(0x7F3C90);
  const double playing = cpuShare(1.0);
  engine.sendShortMessage(0x003C80);
  std::this_thread::sleep_for(std::chrono::seconds(5));
  const double idle = cpuShare(2.0);
  std::printf("  one note playing: %.1f %% of a core; idle: %.2f %% of a core\n", playing, idle);
}

// (4) Through a PulseAudio server: the engine plays into it, parec captures the sink's monitor,
// and the delay from the note-on call to the captured onset is timed. Also prints what the
// server reports for our stream.
int pulseLatency(int period) {
  unsetenv("PULSE_SERVER");
  tonalix::testing::PulseDaemon daemon({"tonalix_bench"});
  if (!daemon.start()) {
    std::fprintf(stderr, "No PulseAudio daemon could be started.\n");
    return 1;
  }
  const std::string monitor = "tonalix_bench.monitor";
  AudioEngine engine;
  AudioConfig c;
  c.periodFrames = period;
  engine.start(c);
  std::printf("  output %s, period %d, font %s\n", engine.outputName().c_str(), period, engine.soundFontPath().c_str());
  if (engine.outputName() != "pulseaudio") return 1;
  const std::string cmd = "parec -d " + monitor +
                          " --latency-msec=1 --format=float32le --channels=1 --rate=48000 --raw 2>/dev/null";
  FILE* cap = popen(cmd.c_str(), "r");
  if (!cap) return 1;
  std::atomic<bool> stop{false};
  std::atomic<float> level{0};
  std::atomic<std::int64_t> loudAt{0};
  std::thread reader([&] {
    float buf[48];
    while (!stop) {
      const std::size_t n = std::fread(buf, sizeof(float), 48, cap);
      if (n == 0) break;
      float peak = 0;
      for (std::size_t i = 0; i < n; ++i) peak = std::max(peak, std::fabs(buf[i]));
      level = peak;
      if (peak > 0.01f && loudAt == 0) loudAt = Clock::now().time_since_epoch().count();
    }
  });
  std::this_thread::sleep_for(std::chrono::seconds(2));  // an idle null sink pre-fills ~2 s
  std::vector<double> ms;
  for (int i = 0; i < 20; ++i) {
    const auto quietSince = Clock::now();
    while (Clock::now() - quietSince < std::chrono::seconds(3)) {
      if (level > 0.001f) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        continue;
      }
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100 + 7 * i));
    loudAt = 0;
    const auto sent = Clock::now();
    engine.sendShortMessage(0x7F3C90 | (static_cast<std::uint32_t>(i % 12) << 8));
    while (loudAt == 0 && Clock::now() - sent < std::chrono::seconds(2))
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (loudAt != 0)
      ms.push_back(double(loudAt - sent.time_since_epoch().count()) / 1e6);
    if (i == 10) {
      std::fflush(stdout);
      std::system("pactl list sink-inputs | grep -E 'application.name|Latency|Sample Spec' | sed -e 's/Sample Spec[a-z]*/Sample format/' -e 's/^/    /'");
    }
    engine.sendShortMessage(0x003C80 | (static_cast<std::uint32_t>(i % 12) << 8));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  std::printf("  note-on call to sound on the monitor: median %.1f ms, p99 %.1f ms, min %.1f ms (%zu notes;"
              " includes parec's own capture latency)\n",
              percentile(ms, 0.5), percentile(ms, 0.99), ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()),
              ms.size());
  stop = true;
  engine.stop();
  pclose(cap);  // parec ends when its pipe closes
  reader.join();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--pulse") == 0) {
    const int period = argc >= 3 ? std::atoi(argv[2]) : 256;
    std::printf("(4) PulseAudio path\n");
    return pulseLatency(period);
  }
  // First, before this process has used the library (its threads would not survive a fork).
  std::printf("(3) SoundFont load (instruments load as they are chosen)\n");
  loadCost(kDefaultSoundFont);
  loadCost(kSmallSoundFont);
  std::printf("(1) note-on call to first sample above -80 dBFS (offline, block = period, 48 kHz)\n");
  for (int period : {256, 128}) {
    noteToSound(kSmallSoundFont, period, 200);
    noteToSound(kDefaultSoundFont, period, 20);
  }
  std::printf("(2) cost of queuing a message\n");
  sendCost();
  std::printf("(5) CPU of the null output, period 256, default-GM\n");
  idleCpu();
  std::printf("(6) render callbacks during 200 instrument changes with eight notes sounding\n");
  programChangesWhileNotesSound(kDefaultSoundFont);
  programChangesWhileNotesSound(kSmallSoundFont);
  return 0;
}

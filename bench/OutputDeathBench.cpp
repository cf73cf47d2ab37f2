// An output that dies while a note is held, through a private PulseAudio daemon: the time from
// the death to the user's notice, and to the engine's clock running again (the first frame
// rendered after the stall). Two deaths: the server killed outright, and its sink suspended
// while the stream stays connected (it just stops asking). Each is repeated; the figures are
// median and worst. Arguments: rounds of each (default 5), then --verbose for each round and
// the engine's own account.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/Percentile.h"
#include "platform/audio/AudioEngine.h"
#include "platform/system/Diagnostics.h"
#include "tests/support/PulseDaemon.h"
#include "tests/support/TestSoundFont.h"

using namespace tonalix;
using Clock = std::chrono::steady_clock;
using tonalix::bench::percentile;

namespace {

constexpr const char* kSink = "tonalix_death";
// The clock counts as stopped once it has not moved for this long (twenty periods of 256).
constexpr auto kStopped = std::chrono::milliseconds(100);

struct Round {
  double toldMs = -1;
  double runningMs = -1;
};

double msSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// Watches from the moment of death until the user was told and the clock moved after a stop.
Round watch(const platform::AudioEngine& engine, std::uint64_t serialBefore) {
  Round round;
  const auto t0 = Clock::now();
  std::uint64_t position = engine.framePosition();
  auto lastMove = t0;
  bool stopped = false;
  while (Clock::now() - t0 < std::chrono::seconds(10) && (round.toldMs < 0 || round.runningMs < 0)) {
    if (round.toldMs < 0 && engine.outputNoticeSerial() != serialBefore && !engine.outputNotice().empty())
      round.toldMs = msSince(t0);
    const std::uint64_t now = engine.framePosition();
    if (now != position) {
      position = now;
      if (stopped && round.runningMs < 0) round.runningMs = msSince(t0);
      lastMove = Clock::now();
    } else if (Clock::now() - lastMove >= kStopped) {
      stopped = true;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return round;
}

bool waitForRecovery(const platform::AudioEngine& engine) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    if (engine.outputNotice().empty() && engine.outputName() == "pulseaudio") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Half a second of the clock running on the sound server before each death.
bool playingSteadily(const platform::AudioEngine& engine) {
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  std::uint64_t from = engine.framePosition();
  while (Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint64_t now = engine.framePosition();
    if (!engine.outputNotice().empty() || now == from) from = now;
    else if (now - from >= static_cast<std::uint64_t>(engine.sampleRate() / 2)) return true;
  }
  return false;
}

void report(const char* what, const std::vector<Round>& rounds) {
  std::vector<double> told, running;
  for (const Round& r : rounds) {
    if (r.toldMs >= 0) told.push_back(r.toldMs);
    if (r.runningMs >= 0) running.push_back(r.runningMs);
  }
  std::printf("output death (%s, %zu rounds): user told after median %.0f ms, worst %.0f ms (%zu told); "
              "clock running again after median %.0f ms, worst %.0f ms (%zu stopped)\n",
              what, rounds.size(), percentile(told, 0.5), percentile(told, 1.0), told.size(), percentile(running, 0.5),
              percentile(running, 1.0), running.size());
}

}  // namespace

int main(int argc, char** argv) {
  const bool verbose = argc > 2 && std::string(argv[2]) == "--verbose";
  platform::setVerbose(verbose);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (!testing::onPath("pulseaudio") || !testing::onPath("pactl")) {
    std::printf("output death: skipped, PulseAudio is not installed\n");
    return 0;
  }
  testing::PulseDaemon daemon({kSink});
  if (!daemon.start()) {
    std::printf("output death: skipped, no PulseAudio daemon could be started here\n");
    return 0;
  }
  platform::AudioEngine engine;
  platform::AudioConfig config;
  config.soundFont = testing::kSmallSoundFont;
  if (!engine.start(config) || engine.outputName() != "pulseaudio") {
    std::printf("output death: the engine did not open the sound server (%s)\n", engine.outputName().c_str());
    return 1;
  }
  // A flute held throughout, so the stream never rests while idle.
  engine.sendShortMessage(0x49C0);
  engine.sendShortMessage(0x7F4590);

  std::vector<Round> killed, suspended;
  const std::string suspend = std::string("pactl suspend-sink ") + kSink + " 1 >/dev/null 2>&1";
  const std::string resume = std::string("pactl suspend-sink ") + kSink + " 0 >/dev/null 2>&1";
  for (int i = 0; i < rounds; ++i) {
    if (!playingSteadily(engine)) {
      std::printf("output death: the sound server never played steadily\n");
      return 1;
    }
    std::uint64_t serial = engine.outputNoticeSerial();
    daemon.kill();
    killed.push_back(watch(engine, serial));
    if (verbose) std::printf("killed: told %.0f ms, running %.0f ms\n", killed.back().toldMs, killed.back().runningMs);
    if (!daemon.start() || !waitForRecovery(engine)) {
      std::printf("output death: the output did not come back after a server restart\n");
      return 1;
    }

    if (!playingSteadily(engine)) {
      std::printf("output death: the sound server never played steadily\n");
      return 1;
    }
    serial = engine.outputNoticeSerial();
    if (std::system(suspend.c_str()) != 0) {
      std::printf("output death: the sink could not be suspended\n");
      return 1;
    }
    suspended.push_back(watch(engine, serial));
    if (verbose) std::printf("suspended: told %.0f ms, running %.0f ms\n", suspended.back().toldMs, suspended.back().runningMs);
    if (std::system(resume.c_str()) != 0 || !waitForRecovery(engine)) {
      std::printf("output death: the output did not come back after the sink woke\n");
      return 1;
    }
  }
  report("server killed", killed);
  report("sink suspended", suspended);
  engine.stop();
  return 0;
}

// Timing error of the sequencer's dispatched events against their ideal times.
//  - Built-in synthesizer (engine on its real-time null output): the frame each message is
//    scheduled at against start + round(time * rate), and how many were handed over only after
//    their frame had been rendered (lateness in samples).
//  - External port path: the dispatch thread's wake-up error against each absolute deadline
//    (median, p99, max), sending to a no-op port.
// Usage: sequencer_timing_bench [seconds per run, default 10] [song number, default 9]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/Percentile.h"
#include "platform/audio/AudioEngine.h"
#include "platform/mci/FrameScheduler.h"
#include "platform/mci/MidiSequence.h"
#include "platform/mci/PortSequencePlayer.h"
#include "platform/mci/SynthSequencePlayer.h"
#include "platform/midi/SmfReader.h"
#include "tests/support/TestSoundFont.h"

using namespace tonalix::platform;

using tonalix::bench::percentile;

namespace {

// Passes messages on to the engine and notes where each went and when.
class TappedEngine final : public FrameScheduler {
 public:
  struct Entry {
    std::uint64_t frame;
    std::uint64_t position;
  };
  explicit TappedEngine(AudioEngine& engine) : engine_(engine) { entries.reserve(1 << 20); }
  bool schedule(std::uint32_t message, std::uint64_t frame) override {
    const std::uint64_t position = engine_.framePosition();
    if (!engine_.scheduleShortMessage(message, frame)) return false;
    std::lock_guard lock(mutex);
    entries.push_back({frame, position});
    return true;
  }
  void allNotesOff() override { engine_.allNotesOff(); }
  void cancelScheduled() override { engine_.cancelScheduled(); }
  std::uint64_t framePosition() const override { return engine_.framePosition(); }
  int sampleRate() const override { return engine_.sampleRate(); }

  std::mutex mutex;
  std::vector<Entry> entries;

 private:
  AudioEngine& engine_;
};

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int songNumber = argc > 2 ? std::atoi(argv[2]) : 9;
  char path[512];
  std::snprintf(path, sizeof path, "%s/song%02d.mid", TONALIX_SONGS_DIR, songNumber);
  const auto read = tonalix::smf::SmfReader::readFile(path);
  if (!read.ok()) {
    std::fprintf(stderr, "%s\n", read.message.c_str());
    return 1;
  }
  const MidiSequence song = MidiSequence::fromFile(read.file);
  std::size_t inWindow = 0;
  while (inWindow < song.events.size() && song.events[inWindow].micros < seconds * 1e6) ++inWindow;
  std::printf("song%02d: %zu events in the first %.1f s\n", songNumber, inWindow, seconds);

  // Built-in synthesizer on the real-time null output.
  {
    AudioEngine engine;
    AudioConfig config;
    config.output = AudioConfig::Output::Null;
    config.soundFont = tonalix::testing::kSmallSoundFont;
    engine.start(config);
    TappedEngine tap(engine);
    SynthSequencePlayer player(tap);
    player.start(song, 0);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    player.stop();
    const double rate = engine.sampleRate();
    const std::uint64_t start = player.frameOf(0) - static_cast<std::uint64_t>(std::llround(song.events[0].micros * rate / 1e6));
    std::lock_guard lock(tap.mutex);
    std::int64_t worstOffset = 0;
    std::uint64_t late = 0, worstLate = 0, aheadMax = 0;
    const std::size_t n = std::min(tap.entries.size(), song.events.size());
    std::size_t checked = 0;
    for (std::size_t i = 0; i < n && i < player.nextIndex(); ++i, ++checked) {
      const auto ideal = static_cast<std::int64_t>(start + static_cast<std::uint64_t>(std::llround(song.events[i].micros * rate / 1e6)));
      const std::int64_t offset = static_cast<std::int64_t>(tap.entries[i].frame) - ideal;
      worstOffset = std::max(worstOffset, offset < 0 ? -offset : offset);
      if (tap.entries[i].frame < tap.entries[i].position) {
        ++late;
        worstLate = std::max(worstLate, tap.entries[i].position - tap.entries[i].frame);
      } else {
        aheadMax = std::max(aheadMax, tap.entries[i].frame - tap.entries[i].position);
      }
    }
    std::printf("synth (%s output, %d Hz): %zu events; scheduled frame vs ideal: max |error| %lld samples;"
                " late hand-overs %llu (worst %llu samples); furthest ahead %.1f ms\n",
                engine.outputName().c_str(), engine.sampleRate(), checked, static_cast<long long>(worstOffset),
                static_cast<unsigned long long>(late), static_cast<unsigned long long>(worstLate),
                static_cast<double>(aheadMax) * 1000.0 / rate);
  }

  // External port path: wake-up error of the dispatch thread.
  {
    std::vector<std::int64_t> lateness;
    lateness.reserve(song.events.size());
    PortSequencePlayer player([](std::uint32_t) {});
    player.recordLateness(&lateness);
    player.start(song, 0);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    player.stop();
    // Messages sharing one deadline go out on one wake-up; count each wake-up once.
    std::vector<double> micros;
    for (std::size_t i = 0; i < lateness.size(); ++i) {
      if (i > 0 && song.events[i].micros == song.events[i - 1].micros) continue;
      micros.push_back(static_cast<double>(lateness[i]) / 1000.0);
    }
    std::printf("port dispatch: %zu wake-ups; error vs deadline: median %.1f us, p99 %.1f us, max %.1f us\n",
                micros.size(), percentile(micros, 0.5), percentile(micros, 0.99),
                micros.empty() ? 0.0 : *std::max_element(micros.begin(), micros.end()));
  }
  return 0;
}

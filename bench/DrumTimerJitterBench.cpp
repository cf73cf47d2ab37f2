// Drum repeat timers under load: all ten pads run at once at different rates; every hit's send
// time is compared with its ideal time (start + k x interval). Prints median and p99 of the
// deviation in ms and the process's CPU share while the pads run.
//
//   drum_timer_jitter_bench [seconds]      (default 30)
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/resource.h>
#include <vector>

#include "bench/Percentile.h"
#include "drums/DrumPads.h"
#include "midi/MidiState.h"
#include "widgets/FormDesign.h"
#include "platform/midi/ShortMessage.h"
#include "platform/midiout/MidiOutDevice.h"

using namespace tonalix;
using Clock = std::chrono::steady_clock;

using tonalix::bench::percentile;

namespace {

struct Hit {
  Clock::time_point at;
  std::uint32_t message;
};

// A port of the bench's own that stamps each message as it is sent.
struct HitLog {
  std::vector<Hit> hits;
};

class StampingDevice : public platform::MidiOutDevice {
 public:
  explicit StampingDevice(HitLog& log) : log_(log) {}
  platform::MMRESULT send(std::uint32_t message) override {
    log_.hits.push_back({Clock::now(), message});
    return platform::MMSYSERR_NOERROR;
  }
  void close() override {}

 private:
  HitLog& log_;
};

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 30;

  HitLog log;
  log.hits.reserve(4096);
  const std::uint32_t port = platform::midiOutAddPort(
      "Drum jitter probe", [&log] { return std::make_unique<StampingDevice>(log); });

  MidiState midi;
  midi.SelectDevice(static_cast<std::int16_t>(port));
  midi.OpenAtStartup();
  midi.SetDrumVelocity(127);
  midi.StartLivePlay();

  QWidget surface;
  const auto design = widgets::FormDesign::load(QStringLiteral(":/frmPiano.design")).design;
  const widgets::BuiltControls built = design.build(&surface);
  drums::DrumPads pads(midi, built, &surface);
  pads.StopAllDrums();
  // Spinner values 1..8 and 1, 2 again: intervals from 500 to 4000 ms, two pads at 500 ms.
  const int spinner[drums::kPadCount] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2};
  int interval[drums::kPadCount];
  int noteOfPad[drums::kPadCount];
  Clock::time_point started[drums::kPadCount];
  for (int n = 1; n <= drums::kPadCount; ++n) {
    pads.scrDrum(n)->setValue(2);
    pads.scrDrum(n)->setValue(spinner[n - 1]);
    interval[n - 1] = pads.tmrDrum(n)->interval();
    noteOfPad[n - 1] = drums::kDrumPads[static_cast<std::size_t>(n - 1)].drumSoundCode - 93;
  }
  for (int n = 1; n <= drums::kPadCount; ++n) {
    pads.cmdDrum_Click(n);
    started[n - 1] = Clock::now();
  }

  const double cpuBefore = cpuSeconds();
  const auto wallBefore = Clock::now();
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
  app.exec();
  const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
  const double cpu = cpuSeconds() - cpuBefore;
  pads.StopAllDrums();
  midi.CloseAtUnload();
  platform::midiOutRemovePort("Drum jitter probe");

  std::vector<double> deviation;  // ms, late positive
  int count[drums::kPadCount] = {};
  for (const Hit& h : log.hits) {
    const int note = platform::ShortMessage::unpack(h.message).data1;
    const auto pad = std::find(noteOfPad, noteOfPad + drums::kPadCount, note) - noteOfPad;
    if (pad >= drums::kPadCount) continue;
    const int k = ++count[pad];
    const auto ideal = started[pad] + std::chrono::milliseconds(static_cast<long>(k) * interval[pad]);
    deviation.push_back(std::chrono::duration<double, std::milli>(h.at - ideal).count());
  }
  std::vector<double> magnitude;
  for (double d : deviation) magnitude.push_back(std::fabs(d));

  std::printf("drum repeat timers: 10 pads at once for %.1f s, %zu hits\n", wall, deviation.size());
  std::printf("  deviation from ideal time: median %.3f ms, p99 %.3f ms, max %.3f ms (absolute)\n",
              percentile(magnitude, 0.5), percentile(magnitude, 0.99),
              magnitude.empty() ? 0.0 : *std::max_element(magnitude.begin(), magnitude.end()));
  std::printf("  signed deviation: median %+.3f ms, p1 %+.3f ms, p99 %+.3f ms\n",
              percentile(deviation, 0.5), percentile(deviation, 0.01), percentile(deviation, 0.99));
  std::printf("  CPU share of the process: %.2f %% of one core (%.3f s CPU)\n", 100.0 * cpu / wall, cpu);
  return 0;
}

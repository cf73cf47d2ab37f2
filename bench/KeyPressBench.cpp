// From a key's mouse press to the return of the note-on send, through the real window and the
// built-in synthesizer (null output): prints median and 99th percentile in microseconds.
#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/frmPiano.h"
#include "bench/Percentile.h"
#include "keyboard/PianoKeyboard.h"
#include "platform/audio/AudioEngine.h"
#include "platform/midiout/MidiOut.h"
#include "platform/midiout/MidiOutDevice.h"
#include "tests/support/TestSoundFont.h"

using namespace tonalix;
using Clock = std::chrono::steady_clock;

using tonalix::bench::percentile;

namespace {
// The time each message reached the output, kept without allocating while measuring.
std::vector<Clock::time_point> gSendTimes;

class TimingPort : public platform::MidiOutDevice {
 public:
  platform::MMRESULT send(std::uint32_t) override {
    if (gSendTimes.size() < gSendTimes.capacity()) gSendTimes.push_back(Clock::now());
    return platform::MMSYSERR_NOERROR;
  }
  void close() override {}
};

void sendMouse(QWidget* w, QEvent::Type type) {
  const QPointF pos(w->width() / 2.0, w->height() / 2.0);
  QMouseEvent ev(type, pos, w->mapToGlobal(pos), Qt::LeftButton,
                 type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &ev);
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  platform::AudioEngine engine;
  platform::AudioConfig config;
  config.output = platform::AudioConfig::Output::Null;
  config.soundFont = tonalix::testing::kSmallSoundFont;
  engine.start(config);
  platform::setBuiltInSynth(&engine);

  const auto portId = platform::midiOutAddPort("Timing", [] { return std::make_unique<TimingPort>(); });
  frmPiano window;
  window.Form_Load();
  window.show();
  QApplication::processEvents();

  constexpr int kRounds = 5000;
  std::vector<double> press, release, toSend;
  press.reserve(kRounds);
  release.reserve(kRounds);
  toSend.reserve(kRounds);

  // First the handler-to-send delay through a port that stamps each message's arrival.
  window.midi().SelectDevice(static_cast<std::int16_t>(portId));
  window.midi().CloseAndOpen();
  gSendTimes.reserve(2 * kRounds);
  for (int i = 0; i < kRounds; ++i) {
    QWidget* key = window.piano().chkPiano(i % 65);
    gSendTimes.clear();
    auto t0 = Clock::now();
    sendMouse(key, QEvent::MouseButtonPress);
    if (!gSendTimes.empty())
      toSend.push_back(std::chrono::duration<double, std::micro>(gSendTimes.front() - t0).count());
    sendMouse(key, QEvent::MouseButtonRelease);
    if (i % 64 == 0) QApplication::processEvents();
  }
  std::printf("mouse press to note-on sent (port stamp):      median %.2f us, p99 %.2f us\n",
              percentile(toSend, 0.5), percentile(toSend, 0.99));

  // Then the whole event through the built-in synthesizer's queue.
  window.midi().SelectDevice(MidiState::kMapper);
  window.midi().CloseAndOpen();
  for (int i = 0; i < kRounds; ++i) {
    QWidget* key = window.piano().chkPiano(i % 65);
    auto t0 = Clock::now();
    sendMouse(key, QEvent::MouseButtonPress);
    auto t1 = Clock::now();
    sendMouse(key, QEvent::MouseButtonRelease);
    auto t2 = Clock::now();
    press.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    release.push_back(std::chrono::duration<double, std::micro>(t2 - t1).count());
    if (i % 64 == 0) QApplication::processEvents();
  }
  std::printf("key press  (event dispatch incl. note-on send): median %.1f us, p99 %.1f us\n",
              percentile(press, 0.5), percentile(press, 0.99));
  std::printf("key release (note-off send + keyboard redraw):  median %.1f us, p99 %.1f us\n",
              percentile(release, 0.5), percentile(release, 0.99));
  window.close();
  platform::setBuiltInSynth(nullptr);
  engine.stop();
  return 0;
}

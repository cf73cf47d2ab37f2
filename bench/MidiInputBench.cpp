// A MIDI keyboard's note through the program: a JACK source on a private dummy-driver server
// sends 1000 events a second into the running window's input port; each note-on is timed from
// the source's write to its hand-off to the built-in synthesizer (null output), and the
// process's CPU use is compared with the same window idle. The source client runs in this
// process too, so its (small) share is included in both figures.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

#include "app/frmPiano.h"
#include "bench/Percentile.h"
#include "keyboard/MidiKeyboardInput.h"
#include "platform/audio/AudioEngine.h"
#include "platform/midi/ShortMessage.h"
#include "platform/midiout/MidiOut.h"
#include "platform/midiout/SynthDevice.h"
#include "tests/support/PrivateJackServer.h"
#include "tests/support/TestSoundFont.h"

using namespace tonalix;
using Clock = std::chrono::steady_clock;

using tonalix::bench::percentile;

namespace {

constexpr int kEventsPerSecond = 1000;
constexpr int kSeconds = 5;
constexpr std::size_t kNotes = kEventsPerSecond * kSeconds / 2;

// Each note-on carries its number in its note and velocity, so that one lost in a late JACK
// cycle does not shift the pairing of the rest.
constexpr int kLowNote = 48, kNoteSpan = 48;
platform::ShortMessage noteOnFor(std::size_t i) {
  return platform::ShortMessage::of(platform::ShortMessage::kNoteOn, 0, static_cast<int>(kLowNote + i % kNoteSpan),
                                    static_cast<int>(1 + i / kNoteSpan % 127));
}
std::size_t numberOf(const platform::ShortMessage& noteOn) {
  return static_cast<std::size_t>((noteOn.data2 - 1) * kNoteSpan + noteOn.data1 - kLowNote);
}
static_assert(kNotes <= kNoteSpan * 127);

// Stamps, preallocated so that neither real-time side allocates while measuring.
std::vector<Clock::time_point> gWritten(kNotes), gHanded(kNotes);
std::vector<std::atomic<bool>> gWasHanded(kNotes);

// The built-in synthesizer, stamping each note-on as it is handed over.
class TimedSynth : public platform::MidiOutDevice {
 public:
  explicit TimedSynth(platform::AudioEngine& engine) : synth_(engine) {}
  platform::MMRESULT send(std::uint32_t message) override {
    const auto result = synth_.send(message);
    if (const auto m = platform::ShortMessage::unpack(message); m.isNoteOn()) {
      const std::size_t i = numberOf(m);
      if (i < kNotes) {
        gHanded[i] = Clock::now();
        gWasHanded[i].store(true, std::memory_order_release);
      }
    }
    return result;
  }
  void close() override { synth_.close(); }
  platform::AudioEngine* engine() const override { return synth_.engine(); }

 private:
  platform::SynthDevice synth_;
};

// Writes the events due by now in each cycle, alternating note on and off.
struct Source {
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  std::atomic<bool> playing{false};
  Clock::time_point start;
  long sent = 0;

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Source*>(arg);
    void* buffer = jack_port_get_buffer(self->port, frames);
    jack_midi_clear_buffer(buffer);
    if (!self->playing.load(std::memory_order_acquire)) return 0;
    const auto now = Clock::now();
    const long due = std::chrono::duration_cast<std::chrono::microseconds>(now - self->start).count() *
                     kEventsPerSecond / 1000000;
    for (jack_nframes_t t = 0; self->sent < due && t < frames; ++t, ++self->sent) {
      const auto i = static_cast<std::size_t>(self->sent / 2);
      if (i >= kNotes) break;
      const platform::ShortMessage on = noteOnFor(i);
      const bool isOn = self->sent % 2 == 0;
      const std::uint8_t bytes[3] = {isOn ? on.status : platform::ShortMessage::kNoteOff, on.data1,
                                     isOn ? on.data2 : std::uint8_t{0}};
      jack_midi_event_write(buffer, t, bytes, 3);
      if (isOn) gWritten[i] = now;
    }
    return 0;
  }
};

double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Runs the window's event loop for a while; returns the share of one core used meanwhile.
double cpuShareOver(double seconds) {
  const double cpu0 = cpuSeconds();
  const auto t0 = Clock::now();
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
  return 100.0 * (cpuSeconds() - cpu0) / std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::PrivateJackServer server(128);
  if (!server.running()) {
    std::printf("midi input: skipped, %s\n", server.whyNot().c_str());
    return 0;
  }
  platform::AudioEngine engine;
  platform::AudioConfig config;
  config.output = platform::AudioConfig::Output::Null;
  config.soundFont = tonalix::testing::kSmallSoundFont;
  engine.start(config);
  platform::setBuiltInSynth(&engine);
  const auto synthId = platform::midiOutAddPort(
      "Timed synthesizer", [&engine] { return std::make_unique<TimedSynth>(engine); });

  frmPiano window;
  window.Form_Load();
  window.show();
  window.midi().SelectDevice(static_cast<std::int16_t>(synthId));
  window.midi().CloseAndOpen();
  const std::string input = window.midiKeyboard().input().jackPortName();

  Source source;
  source.client = jack_client_open("bench keyboard", JackNoStartServer, nullptr);
  source.port = jack_port_register(source.client, "midi_out", JACK_DEFAULT_MIDI_TYPE,
                                   JackPortIsOutput | JackPortIsPhysical | JackPortIsTerminal, 0);
  jack_set_process_callback(source.client, Source::process, &source);
  // The server's own late cycles, counted apart from what the program itself drops.
  static std::atomic<int> xruns{0};
  jack_set_xrun_callback(source.client, [](void*) { xruns.fetch_add(1); return 0; }, nullptr);
  jack_activate(source.client);
  // The program connects the new "hardware" source itself.
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (!input.empty() && !jack_port_connected_to(source.port, input.c_str()) &&
         Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (input.empty() || !jack_port_connected_to(source.port, input.c_str())) {
    std::printf("midi input: the source was not connected to the input port\n");
    return 1;
  }

  const double idle = cpuShareOver(2.0);
  source.start = Clock::now();
  source.playing.store(true, std::memory_order_release);
  const double busy = cpuShareOver(kSeconds + 0.2);
  source.playing.store(false, std::memory_order_release);
  QApplication::processEvents();

  std::vector<double> latency;
  for (std::size_t i = 0; i < kNotes; ++i)
    if (gWasHanded[i].load(std::memory_order_acquire))
      latency.push_back(std::chrono::duration<double, std::micro>(gHanded[i] - gWritten[i]).count());
  std::printf("midi input: incoming note-on to hand-off to the synthesizer (JACK, %zu of %zu "
              "notes arrived): median %.1f us, p99 %.1f us\n", latency.size(), kNotes,
              percentile(latency, 0.5), percentile(latency, 0.99));
  std::printf("midi input: CPU (share of one core) with %d events/s: %.1f %%, idle window: %.1f %%\n",
              kEventsPerSecond, busy, idle);

  std::printf("midi input: dropped by the program: %llu (input ring %llu, window backlog %llu); "
              "JACK xruns: %d\n",
              static_cast<unsigned long long>(window.midiKeyboard().input().droppedMessages() +
                                              window.midiKeyboard().DroppedMessages()),
              static_cast<unsigned long long>(window.midiKeyboard().input().droppedMessages()),
              static_cast<unsigned long long>(window.midiKeyboard().DroppedMessages()), xruns.load());

  jack_client_close(source.client);
  window.close();
  platform::setBuiltInSynth(nullptr);
  engine.stop();
  return 0;
}

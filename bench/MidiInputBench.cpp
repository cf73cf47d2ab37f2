// A MIDI keyboard's notes through the program: a JACK source in a process of its own, on a
// private dummy-driver server, sends 1000 events a second (note on, note off) into the running
// window's input port for a minute (or the seconds given as the first argument). Each note-on
// is timed from the source's write to its hand-off to the built-in synthesizer (null output);
// the messages the program itself dropped are counted apart from the server's late cycles
// (xruns) and from note-ons that never arrived; the window's CPU use is compared with the same
// window idle. The source's own CPU is not in the figure: it runs in the other process.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
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

extern char** environ;

using namespace tonalix;
using Clock = std::chrono::steady_clock;

using tonalix::bench::percentile;

namespace {

constexpr int kEventsPerSecond = 1000;
constexpr int kDefaultSeconds = 60;

// Each note-on carries a number in its note and velocity, so that one lost in a late JACK cycle
// does not shift the pairing of the rest. The numbers come round again every twelve seconds,
// long after the note they stood for was handed over.
constexpr int kLowNote = 48, kNoteSpan = 48;
constexpr std::size_t kSlots = kNoteSpan * 127;
platform::ShortMessage noteOnFor(std::size_t i) {
  const std::size_t slot = i % kSlots;
  return platform::ShortMessage::of(platform::ShortMessage::kNoteOn, 0, static_cast<int>(kLowNote + slot % kNoteSpan),
                                    static_cast<int>(1 + slot / kNoteSpan));
}
std::size_t slotOf(const platform::ShortMessage& noteOn) {
  return static_cast<std::size_t>((noteOn.data2 - 1) * kNoteSpan + noteOn.data1 - kLowNote);
}

std::int64_t nowNanos() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Shared by the two processes (steady_clock is the system-wide monotonic clock in both).
struct Shared {
  enum : int { Waiting, Connected, Playing, Finished, Failed };
  std::atomic<int> state{Waiting};
  std::atomic<int> xruns{0};
  std::atomic<long> sent{0};                      // events written, on and off
  std::atomic<std::int64_t> written[kSlots] = {};  // when each slot's latest note-on was written
};
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

// --- The source process ---

struct Source {
  Shared* shared = nullptr;
  jack_port_t* port = nullptr;
  long total = 0;
  long sent = 0;
  Clock::time_point start;
  bool started = false;

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Source*>(arg);
    void* buffer = jack_port_get_buffer(self->port, frames);
    jack_midi_clear_buffer(buffer);
    if (self->shared->state.load(std::memory_order_acquire) != Shared::Playing) return 0;
    const auto now = Clock::now();
    if (!self->started) {
      self->start = now;
      self->started = true;
    }
    const long due = std::min<long>(
        self->total,
        std::chrono::duration_cast<std::chrono::microseconds>(now - self->start).count() * kEventsPerSecond / 1000000);
    for (jack_nframes_t t = 0; self->sent < due && t < frames; ++t, ++self->sent) {
      const auto i = static_cast<std::size_t>(self->sent / 2);
      const platform::ShortMessage on = noteOnFor(i);
      const bool isOn = self->sent % 2 == 0;
      const std::uint8_t bytes[3] = {isOn ? on.status : platform::ShortMessage::kNoteOff, on.data1,
                                     isOn ? on.data2 : std::uint8_t{0}};
      if (isOn) self->shared->written[i % kSlots].store(nowNanos(), std::memory_order_release);
      jack_midi_event_write(buffer, t, bytes, 3);
    }
    self->shared->sent.store(self->sent, std::memory_order_release);
    return 0;
  }
};

// argv: --source <shared fd> <seconds> <input port>
int runSource(int fd, int seconds, const char* input) {
  auto* shared = static_cast<Shared*>(mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  if (shared == MAP_FAILED) return 1;
  Source source;
  source.shared = shared;
  source.total = static_cast<long>(seconds) * kEventsPerSecond;
  jack_client_t* client = jack_client_open("bench keyboard", JackNoStartServer, nullptr);
  if (!client) {
    shared->state.store(Shared::Failed);
    return 1;
  }
  source.port = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE,
                                   JackPortIsOutput | JackPortIsPhysical | JackPortIsTerminal, 0);
  jack_set_process_callback(client, Source::process, &source);
  // The server's own late cycles, counted apart from what the program itself drops.
  jack_set_xrun_callback(client, [](void* data) { static_cast<Shared*>(data)->xruns.fetch_add(1); return 0; }, shared);
  jack_activate(client);
  // The program connects the new "hardware" source itself.
  const auto connectBy = Clock::now() + std::chrono::seconds(10);
  while (!jack_port_connected_to(source.port, input) && Clock::now() < connectBy)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!jack_port_connected_to(source.port, input)) {
    shared->state.store(Shared::Failed);
    jack_client_close(client);
    return 1;
  }
  shared->state.store(Shared::Connected, std::memory_order_release);
  const auto playBy = Clock::now() + std::chrono::seconds(30);
  while (shared->state.load(std::memory_order_acquire) == Shared::Connected && Clock::now() < playBy)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto doneBy = Clock::now() + std::chrono::seconds(seconds + 30);
  while (shared->sent.load(std::memory_order_acquire) < source.total && Clock::now() < doneBy)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  // The last events are out once a further cycle has run.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  jack_client_close(client);
  shared->state.store(Shared::Finished, std::memory_order_release);
  return 0;
}

// --- The program's process ---

// Latencies, preallocated so that the hand-off never allocates while measuring.
std::vector<double> gLatency;
std::size_t gArrived = 0;
Shared* gShared = nullptr;

// The built-in synthesizer, timing each note-on as it is handed over.
class TimedSynth : public platform::MidiOutDevice {
 public:
  explicit TimedSynth(platform::AudioEngine& engine) : synth_(engine) {}
  platform::MMRESULT send(std::uint32_t message) override {
    const auto result = synth_.send(message);
    if (const auto m = platform::ShortMessage::unpack(message); m.isNoteOn() && gShared) {
      const std::size_t slot = slotOf(m);
      if (slot < kSlots && gArrived < gLatency.size()) {
        const std::int64_t written = gShared->written[slot].load(std::memory_order_acquire);
        gLatency[gArrived++] = static_cast<double>(nowNanos() - written) / 1000.0;
      }
    }
    return result;
  }
  void close() override { synth_.close(); }
  platform::AudioEngine* engine() const override { return synth_.engine(); }

 private:
  platform::SynthDevice synth_;
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
  if (argc == 5 && std::string(argv[1]) == "--source") return runSource(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultSeconds;

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::PrivateJackServer server(128);
  if (!server.running()) {
    std::printf("midi input: skipped, %s\n", server.whyNot().c_str());
    return 0;
  }
  const int fd = memfd_create("midi input bench", 0);
  if (fd < 0 || ftruncate(fd, sizeof(Shared)) != 0) return 1;
  void* mapped = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) return 1;
  gShared = new (mapped) Shared;
  const std::size_t notes = static_cast<std::size_t>(seconds) * kEventsPerSecond / 2;
  gLatency.assign(notes, 0.0);

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
  if (input.empty()) {
    std::printf("midi input: the window has no JACK input port\n");
    return 1;
  }

  // The source runs as a separate program would: its own process, its own JACK client.
  std::string fdText = std::to_string(fd), secondsText = std::to_string(seconds);
  std::string self = "/proc/self/exe", flag = "--source", port = input;
  char* sourceArgs[] = {self.data(), flag.data(), fdText.data(), secondsText.data(), port.data(), nullptr};
  pid_t sourcePid = 0;
  if (posix_spawn(&sourcePid, "/proc/self/exe", nullptr, nullptr, sourceArgs, environ) != 0) {
    std::printf("midi input: the source process could not start\n");
    return 1;
  }
  auto waitForState = [](int wanted, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (gShared->state.load(std::memory_order_acquire) < wanted && Clock::now() < deadline) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return gShared->state.load(std::memory_order_acquire);
  };
  if (waitForState(Shared::Connected, std::chrono::seconds(20)) != Shared::Connected) {
    std::printf("midi input: the source was not connected to the input port\n");
    ::kill(sourcePid, SIGTERM);
    ::waitpid(sourcePid, nullptr, 0);
    return 1;
  }

  const double idle = cpuShareOver(2.0);
  const std::uint64_t droppedBefore =
      window.midiKeyboard().input().droppedMessages() + window.midiKeyboard().DroppedMessages();
  gShared->state.store(Shared::Playing, std::memory_order_release);
  const double busy = cpuShareOver(seconds + 0.2);
  waitForState(Shared::Finished, std::chrono::seconds(30));
  // What is still on its way to the window arrives within a few cycles.
  cpuShareOver(0.2);
  ::waitpid(sourcePid, nullptr, 0);

  const std::vector<double> latency(gLatency.begin(), gLatency.begin() + static_cast<std::ptrdiff_t>(gArrived));
  const long sentOn = (gShared->sent.load() + 1) / 2;
  std::printf("midi input: %d s at %d events/s from a separate process; incoming note-on to hand-off to "
              "the synthesizer (%zu of %ld notes arrived): median %.1f us, p99 %.1f us, worst %.1f us\n",
              seconds, kEventsPerSecond, gArrived, sentOn, percentile(latency, 0.5), percentile(latency, 0.99),
              percentile(latency, 1.0));
  std::printf("midi input: CPU of the program (share of one core) with %d events/s: %.1f %%, idle window: %.1f %%\n",
              kEventsPerSecond, busy, idle);
  const std::uint64_t ring = window.midiKeyboard().input().droppedMessages();
  const std::uint64_t backlog = window.midiKeyboard().DroppedMessages();
  std::printf("midi input: dropped by the program: %llu (input ring %llu, window backlog %llu); "
              "JACK xruns: %d; note-ons that never arrived: %ld\n",
              static_cast<unsigned long long>(ring + backlog - droppedBefore), static_cast<unsigned long long>(ring),
              static_cast<unsigned long long>(backlog), gShared->xruns.load(),
              sentOn - static_cast<long>(gArrived));

  window.close();
  platform::setBuiltInSynth(nullptr);
  engine.stop();
  return 0;
}

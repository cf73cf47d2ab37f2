#include "platform/midiin/JackMidiInput.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/midiin/MidiByteParser.h"
#include "platform/midiin/MidiInput.h"
#include "platform/system/SoundLibraryMessages.h"

namespace tonalix::platform {

namespace {
// Whole channel messages waiting for the forwarding thread; at 1000 a second a stalled output
// has four seconds before any is dropped.
constexpr std::size_t kRingMessages = 4096;
// The last part of the ring is kept for releases, so a flood of notes and controllers can
// never crowd out the note-off or pedal-up that ends a sound.
constexpr std::size_t kReleaseReserve = 512 * sizeof(std::uint32_t);
}  // namespace

struct JackMidiInput::Impl {
  const MidiInputHandlers& handlers;
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  MidiByteParser parser;  // process thread only
  std::atomic<bool> resetParser{false};
  std::atomic<std::uint64_t> dropped{0};

  // The process callback must never wait, and the output it would forward to takes locks (a
  // JACK output port being closed holds one while the server waits for this very cycle). It
  // parses in place, queues the whole messages lock-free and wakes the forwarding thread, which
  // is the input thread the handlers see. A lost source is reported on that thread too, after
  // the messages it sent before it went.
  jack_ringbuffer_t* ring = nullptr;
  sem_t ready;
  bool semaphoreReady = false;
  std::atomic<bool> sourceWentAway{false};
  std::atomic<bool> forwarding{true};
  std::thread forwarder;

  // JACK forbids connecting ports from its own callbacks: a worker does it when told.
  std::mutex mutex;
  std::condition_variable wake;
  bool rescan = true;
  bool stopping = false;
  bool serverGone = false;
  std::string portName;  // empty while no server runs
  std::thread worker;

  bool skipAlsaBridges = false;

  explicit Impl(const MidiInputHandlers& h) : handlers(h) {}
  ~Impl() {
    if (semaphoreReady) sem_destroy(&ready);
    if (ring) jack_ringbuffer_free(ring);
  }

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Impl*>(arg);
    if (self->resetParser.exchange(false, std::memory_order_acq_rel)) self->parser.reset();
    void* buffer = jack_port_get_buffer(self->port, frames);
    const jack_nframes_t count = jack_midi_get_event_count(buffer);
    for (jack_nframes_t i = 0; i < count; ++i) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, buffer, i) != 0) continue;
      self->parser.feed(event.buffer, event.size, [self](std::uint32_t message) {
        const std::size_t needed =
            sizeof message + (ShortMessage::unpack(message).isRelease() ? 0 : kReleaseReserve);
        if (jack_ringbuffer_write_space(self->ring) >= needed)
          jack_ringbuffer_write(self->ring, reinterpret_cast<const char*>(&message), sizeof message);
        else
          self->dropped.fetch_add(1, std::memory_order_relaxed);
      });
    }
    if (count > 0) sem_post(&self->ready);
    return 0;
  }

  void forward() {
    for (;;) {
      while (sem_wait(&ready) != 0) {
      }
      std::uint32_t message = 0;
      while (jack_ringbuffer_read_space(ring) >= sizeof message) {
        jack_ringbuffer_read(ring, reinterpret_cast<char*>(&message), sizeof message);
        handlers.message(kJackSources, message);
      }
      if (sourceWentAway.exchange(false) && handlers.sourceLost) handlers.sourceLost(kJackSources);
      if (!forwarding.load()) return;
    }
  }

  void reportSourceLost() {
    sourceWentAway.store(true);
    sem_post(&ready);
  }

  static void portRegistered(jack_port_id_t, int registered, void* arg) {
    if (registered) static_cast<Impl*>(arg)->requestRescan();
  }

  static void portConnected(jack_port_id_t a, jack_port_id_t b, int connected, void* arg) {
    auto* self = static_cast<Impl*>(arg);
    if (connected) return;
    if (jack_port_by_id(self->client, a) != self->port &&
        jack_port_by_id(self->client, b) != self->port)
      return;
    // A source is gone: its half-received message and its held notes go with it.
    self->resetParser.store(true, std::memory_order_release);
    self->reportSourceLost();
  }

  // The server quit (or restarts): the sources' notes are released, and the worker opens the
  // port again once a server runs, as the sound output does.
  static void serverShutDown(void* arg) {
    auto* self = static_cast<Impl*>(arg);
    self->reportSourceLost();
    {
      std::lock_guard lock(self->mutex);
      self->serverGone = true;
    }
    self->wake.notify_one();
  }

  // Opens the client and its port and starts them; false, with nothing left open, on failure.
  bool attach() {
    jack_status_t status{};
    jack_client_t* opened = jack_client_open(MidiInput::kClientName, JackNoStartServer, &status);
    if (!opened) return false;
    client = opened;
    port = jack_port_register(client, MidiInput::kPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (!port || jack_set_process_callback(client, Impl::process, this) != 0 ||
        jack_set_port_registration_callback(client, Impl::portRegistered, this) != 0 ||
        jack_set_port_connect_callback(client, Impl::portConnected, this) != 0 ||
        (jack_on_shutdown(client, Impl::serverShutDown, this), jack_activate(client) != 0)) {
      jack_client_close(client);
      client = nullptr;
      port = nullptr;
      return false;
    }
    std::lock_guard lock(mutex);
    portName = jack_port_name(port);
    return true;
  }

  // Worker thread, with `lock` held: closes what the dead server left and tries again, less
  // often the longer it stays away, until a server runs or the input closes.
  void reattach(std::unique_lock<std::mutex>& lock) {
    serverGone = false;
    portName.clear();
    lock.unlock();
    jack_client_close(client);
    client = nullptr;
    port = nullptr;
    auto pause = std::chrono::milliseconds(500);
    for (;;) {
      lock.lock();
      if (wake.wait_for(lock, pause, [this] { return stopping; })) return;
      lock.unlock();
      if (attach()) break;
      pause = std::min<std::chrono::milliseconds>(pause * 2, std::chrono::seconds(5));
    }
    lock.lock();
    rescan = true;
  }

  void requestRescan() {
    {
      std::lock_guard lock(mutex);
      rescan = true;
    }
    wake.notify_one();
  }

  void run() {
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return rescan || stopping || serverGone; });
      if (stopping) return;
      if (serverGone) {
        reattach(lock);
        if (stopping) return;
        continue;
      }
      rescan = false;
      lock.unlock();
      connectHardwareSources();
      lock.lock();
    }
  }

  // A port that relays an ALSA sequencer port: by its client (PipeWire's "Midi-Bridge",
  // a2jmidid's "a2j") or by an alias naming ALSA (jackd's own seq driver).
  bool bridgesAlsa(const std::string& name) const {
    auto fromAlsa = [](const std::string& n) {
      return n.rfind("Midi-Bridge:", 0) == 0 || n.rfind("a2j:", 0) == 0 || n.rfind("alsa", 0) == 0;
    };
    if (fromAlsa(name)) return true;
    jack_port_t* source = jack_port_by_name(client, name.c_str());
    if (!source) return false;
    const int size = jack_port_name_size();
    std::string first(static_cast<std::size_t>(size), '\0'), second(static_cast<std::size_t>(size), '\0');
    char* aliases[2] = {first.data(), second.data()};
    const int count = jack_port_get_aliases(source, aliases);
    for (int i = 0; i < count && i < 2; ++i)
      if (fromAlsa(aliases[i])) return true;
    return false;
  }

  void connectHardwareSources() {
    const char** sources = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                          JackPortIsOutput | JackPortIsPhysical);
    if (!sources) return;
    const std::string ownPrefix = std::string(jack_get_client_name(client)) + ":";
    const char* ownName = jack_port_name(port);
    for (const char** name = sources; *name; ++name) {
      const std::string source = *name;
      // The through port only echoes what other programs send; our own ports never loop back.
      if (source.find("Midi Through") != std::string::npos) continue;
      if (source.compare(0, ownPrefix.size(), ownPrefix) == 0) continue;
      if (jack_port_connected_to(port, source.c_str())) continue;
      if (skipAlsaBridges && bridgesAlsa(source)) continue;
      jack_connect(client, source.c_str(), ownName);  // a source just gone fails: fine
    }
    jack_free(sources);
  }
};

std::unique_ptr<JackMidiInput> JackMidiInput::open(const MidiInputHandlers& handlers, bool skipAlsaBridges) {
  silenceSoundLibraryMessages();
  auto impl = std::make_unique<Impl>(handlers);
  impl->skipAlsaBridges = skipAlsaBridges;
  impl->ring = jack_ringbuffer_create(kRingMessages * sizeof(std::uint32_t));
  if (!impl->ring) return nullptr;
  impl->semaphoreReady = sem_init(&impl->ready, 0, 0) == 0;
  if (!impl->semaphoreReady) return nullptr;
  jack_ringbuffer_mlock(impl->ring);
  if (!impl->attach()) return nullptr;
  Impl* raw = impl.get();
  impl->forwarder = std::thread([raw] { raw->forward(); });
  impl->worker = std::thread([raw] { raw->run(); });
  return std::unique_ptr<JackMidiInput>(new JackMidiInput(std::move(impl)));
}

JackMidiInput::JackMidiInput(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

JackMidiInput::~JackMidiInput() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_one();
  impl_->worker.join();
  // Deactivating stops the process callback and disconnects the sources; what they sent and
  // the release of what they held still go out before the forwarding thread ends.
  if (impl_->client) jack_deactivate(impl_->client);
  impl_->forwarding.store(false);
  sem_post(&impl_->ready);
  impl_->forwarder.join();
  if (impl_->client) jack_client_close(impl_->client);
}

std::string JackMidiInput::portName() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->portName;
}

std::uint64_t JackMidiInput::droppedMessages() const { return impl_->dropped.load(std::memory_order_relaxed); }

}  // namespace tonalix::platform

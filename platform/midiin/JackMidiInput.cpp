#include "platform/midiin/JackMidiInput.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>
#include <semaphore.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/midiin/MidiByteParser.h"
#include "platform/midiin/MidiInput.h"
#include "platform/system/SoundLibraryMessages.h"

namespace tonalix::platform {

namespace {
// Whole channel messages waiting for the forwarding thread; at 1000 a second a stalled output
// has four seconds before any is dropped.
constexpr std::size_t kRingMessages = 4096;
}  // namespace

struct JackMidiInput::Impl {
  const MidiInputHandlers& handlers;
  jack_client_t* client = nullptr;
  jack_port_t* port = nullptr;
  MidiByteParser parser;  // process thread only
  std::atomic<bool> resetParser{false};

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
  std::thread worker;

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
        if (jack_ringbuffer_write_space(self->ring) >= sizeof message)
          jack_ringbuffer_write(self->ring, reinterpret_cast<const char*>(&message), sizeof message);
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
        handlers.message(message);
      }
      if (sourceWentAway.exchange(false) && handlers.sourceLost) handlers.sourceLost();
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

  static void serverShutDown(void* arg) { static_cast<Impl*>(arg)->reportSourceLost(); }

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
      wake.wait(lock, [this] { return rescan || stopping; });
      if (stopping) return;
      rescan = false;
      lock.unlock();
      connectHardwareSources();
      lock.lock();
    }
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
      jack_connect(client, source.c_str(), ownName);  // a source just gone fails: fine
    }
    jack_free(sources);
  }
};

std::unique_ptr<JackMidiInput> JackMidiInput::open(const MidiInputHandlers& handlers) {
  silenceSoundLibraryMessages();
  auto impl = std::make_unique<Impl>(handlers);
  impl->ring = jack_ringbuffer_create(kRingMessages * sizeof(std::uint32_t));
  if (!impl->ring) return nullptr;
  impl->semaphoreReady = sem_init(&impl->ready, 0, 0) == 0;
  if (!impl->semaphoreReady) return nullptr;
  jack_ringbuffer_mlock(impl->ring);
  jack_status_t status{};
  impl->client = jack_client_open(MidiInput::kClientName, JackNoStartServer, &status);
  if (!impl->client) return nullptr;
  impl->port = jack_port_register(impl->client, MidiInput::kPortName, JACK_DEFAULT_MIDI_TYPE,
                                  JackPortIsInput, 0);
  Impl* raw = impl.get();
  if (!impl->port || jack_set_process_callback(impl->client, Impl::process, raw) != 0 ||
      jack_set_port_registration_callback(impl->client, Impl::portRegistered, raw) != 0 ||
      jack_set_port_connect_callback(impl->client, Impl::portConnected, raw) != 0) {
    jack_client_close(impl->client);
    return nullptr;
  }
  jack_on_shutdown(impl->client, Impl::serverShutDown, raw);
  if (jack_activate(impl->client) != 0) {
    jack_client_close(impl->client);
    return nullptr;
  }
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
  jack_deactivate(impl_->client);
  impl_->forwarding.store(false);
  sem_post(&impl_->ready);
  impl_->forwarder.join();
  jack_client_close(impl_->client);
}

std::string JackMidiInput::portName() const { return jack_port_name(impl_->port); }

}  // namespace tonalix::platform

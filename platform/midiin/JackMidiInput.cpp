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
// One port per hardware source, so that a source unplugged releases only its own notes. Port 0
// is the one other programs connect to by hand (what they send is merged); past the last
// per-source port a further source is merged into it too.
constexpr std::size_t kPorts = 17;
static_assert(kPorts <= 32, "the pending masks hold one bit per port");

// What the process callback hands the forwarding thread: a channel message and its source, or
// (kLost) the news that the source went away, queued behind what it sent.
struct Entry {
  MidiSourceId source;
  std::uint32_t message;
};
constexpr std::uint32_t kLost = 0;  // never a channel message: those carry a status byte

// Whole channel messages waiting for the forwarding thread; at 1000 a second a stalled output
// has four seconds before any is dropped.
constexpr std::size_t kRingMessages = 4096;
// The last part of the ring is kept for releases, so a flood of notes and controllers can
// never crowd out the note-off or pedal-up that ends a sound.
constexpr std::size_t kReleaseReserve = 512 * sizeof(Entry);

constexpr MidiSourceId sourceOf(std::size_t port) { return kJackSources + static_cast<MidiSourceId>(port); }
}  // namespace

struct JackMidiInput::Impl {
  struct Port {
    // Published by the worker, read by the process callback and the connection callback; a
    // port is unregistered only after a whole cycle has passed without it.
    std::atomic<jack_port_t*> port{nullptr};
    MidiByteParser parser;          // process thread only
    jack_port_t* retiring = nullptr;  // worker only: out of the cycle, to unregister
  };

  const MidiInputHandlers& handlers;
  jack_client_t* client = nullptr;
  Port ports[kPorts];
  // Bits by port: sources gone whose loss the process callback still has to queue, and parsers
  // to start afresh (a new server).
  std::atomic<std::uint32_t> lostPending{0};
  std::atomic<std::uint32_t> resetPending{0};
  std::atomic<std::uint32_t> unplugged{0};  // per-source ports a source left, for the worker
  std::atomic<std::uint64_t> cycles{0};
  std::atomic<std::uint64_t> dropped{0};

  // The process callback must never wait, and the output it would forward to takes locks (a
  // JACK output port being closed holds one while the server waits for this very cycle). It
  // parses in place, queues the whole messages lock-free and wakes the forwarding thread, which
  // is the input thread the handlers see. A lost source is reported on that thread too, after
  // the messages it sent before it went.
  jack_ringbuffer_t* ring = nullptr;
  sem_t ready;
  bool semaphoreReady = false;
  // The server went away (or the input closes): no cycle will queue the losses any more.
  std::atomic<bool> allLost{false};
  std::atomic<bool> forwarding{true};
  std::thread forwarder;

  // JACK forbids registering and connecting ports from its own callbacks: a worker does it
  // when told.
  std::mutex mutex;
  std::condition_variable wake;
  bool rescan = true;
  bool retire = false;
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

  // Process thread: a release (or a loss) may use the reserve, nothing else may.
  bool queue(Entry entry, bool release) {
    if (jack_ringbuffer_write_space(ring) < sizeof entry + (release ? 0 : kReleaseReserve)) return false;
    jack_ringbuffer_write(ring, reinterpret_cast<const char*>(&entry), sizeof entry);
    return true;
  }

  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<Impl*>(arg);
    if (const std::uint32_t reset = self->resetPending.exchange(0, std::memory_order_acq_rel))
      for (std::size_t i = 0; i < kPorts; ++i)
        if (reset & (1u << i)) self->ports[i].parser.reset();
    bool queued = false;
    for (std::size_t i = 0; i < kPorts; ++i) {
      jack_port_t* port = self->ports[i].port.load();  // ordered with the worker's retirement
      if (!port) continue;
      void* buffer = jack_port_get_buffer(port, frames);
      const jack_nframes_t count = jack_midi_get_event_count(buffer);
      for (jack_nframes_t e = 0; e < count; ++e) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, e) != 0) continue;
        self->ports[i].parser.feed(event.buffer, event.size, [self, i](std::uint32_t message) {
          if (!self->queue({sourceOf(i), message}, ShortMessage::unpack(message).isRelease()))
            self->dropped.fetch_add(1, std::memory_order_relaxed);
        });
        queued = true;
      }
    }
    // A source gone: its half-received message goes with it, and the release of what it held
    // follows what it sent. A loss the ring has no room for waits for the next cycle.
    if (const std::uint32_t lost = self->lostPending.exchange(0, std::memory_order_acq_rel)) {
      std::uint32_t unqueued = 0;
      for (std::size_t i = 0; i < kPorts; ++i) {
        if (!(lost & (1u << i))) continue;
        self->ports[i].parser.reset();
        if (self->queue({sourceOf(i), kLost}, true))
          queued = true;
        else
          unqueued |= 1u << i;
      }
      if (unqueued) self->lostPending.fetch_or(unqueued, std::memory_order_acq_rel);
    }
    if (queued) sem_post(&self->ready);
    self->cycles.fetch_add(1);
    return 0;
  }

  void forward() {
    for (;;) {
      while (sem_wait(&ready) != 0) {
      }
      Entry entry{};
      while (jack_ringbuffer_read_space(ring) >= sizeof entry) {
        jack_ringbuffer_read(ring, reinterpret_cast<char*>(&entry), sizeof entry);
        if (entry.message != kLost)
          handlers.message(entry.source, entry.message);
        else if (handlers.sourceLost)
          handlers.sourceLost(entry.source);
      }
      // A source that held nothing has nothing to release, so every port's source is reported.
      if (allLost.exchange(false) && handlers.sourceLost)
        for (std::size_t i = 0; i < kPorts; ++i) handlers.sourceLost(sourceOf(i));
      if (!forwarding.load()) return;
    }
  }

  void reportAllLost() {
    allLost.store(true);
    sem_post(&ready);
  }

  static void portRegistered(jack_port_id_t, int registered, void* arg) {
    if (registered) static_cast<Impl*>(arg)->requestRescan();
  }

  static void portConnected(jack_port_id_t a, jack_port_id_t b, int connected, void* arg) {
    auto* self = static_cast<Impl*>(arg);
    if (connected) return;
    jack_port_t* first = jack_port_by_id(self->client, a);
    jack_port_t* second = jack_port_by_id(self->client, b);
    for (std::size_t i = 0; i < kPorts; ++i) {
      jack_port_t* port = self->ports[i].port.load(std::memory_order_acquire);
      if (!port || (port != first && port != second)) continue;
      self->lostPending.fetch_or(1u << i, std::memory_order_acq_rel);
      if (i == 0) return;  // the shared port stays for whoever connects next
      self->unplugged.fetch_or(1u << i, std::memory_order_acq_rel);
      {
        std::lock_guard lock(self->mutex);
        self->retire = true;
      }
      self->wake.notify_one();
      return;
    }
  }

  // The server quit (or restarts): the sources' notes are released, and the worker opens the
  // port again once a server runs, as the sound output does.
  static void serverShutDown(void* arg) {
    auto* self = static_cast<Impl*>(arg);
    self->reportAllLost();
    {
      std::lock_guard lock(self->mutex);
      self->serverGone = true;
    }
    self->wake.notify_one();
  }

  // Opens the client and its shared port and starts them; false, with nothing left open, on
  // failure.
  bool attach() {
    jack_status_t status{};
    jack_client_t* opened = jack_client_open(MidiInput::kClientName, JackNoStartServer, &status);
    if (!opened) return false;
    client = opened;
    jack_port_t* shared =
        jack_port_register(client, MidiInput::kPortName, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    ports[0].port.store(shared, std::memory_order_release);
    if (!shared || jack_set_process_callback(client, Impl::process, this) != 0 ||
        jack_set_port_registration_callback(client, Impl::portRegistered, this) != 0 ||
        jack_set_port_connect_callback(client, Impl::portConnected, this) != 0 ||
        (jack_on_shutdown(client, Impl::serverShutDown, this), jack_activate(client) != 0)) {
      jack_client_close(client);
      client = nullptr;
      ports[0].port.store(nullptr, std::memory_order_release);
      return false;
    }
    std::lock_guard lock(mutex);
    portName = jack_port_name(shared);
    return true;
  }

  // Worker thread, with `lock` held: closes what the dead server left and tries again, less
  // often the longer it stays away, until a server runs or the input closes.
  void reattach(std::unique_lock<std::mutex>& lock) {
    serverGone = false;
    retire = false;
    portName.clear();
    lock.unlock();
    jack_client_close(client);
    client = nullptr;
    for (Port& p : ports) {
      p.port.store(nullptr, std::memory_order_release);
      p.retiring = nullptr;
    }
    // The losses were reported as a whole; the new server's sources start clean.
    lostPending.store(0, std::memory_order_release);
    unplugged.store(0, std::memory_order_release);
    resetPending.store((1u << kPorts) - 1, std::memory_order_release);
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
      // A port whose source's loss is not yet queued (a full ring) is tried again shortly.
      const auto due = [this] { return rescan || retire || stopping || serverGone; };
      if (anyRetiring())
        wake.wait_for(lock, std::chrono::milliseconds(100), due);
      else
        wake.wait(lock, due);
      if (stopping) return;
      if (serverGone) {
        reattach(lock);
        if (stopping) return;
        continue;
      }
      const bool scan = rescan;
      rescan = false;
      retire = false;
      lock.unlock();
      retireLostPorts();
      if (scan) connectHardwareSources();
      lock.lock();
    }
  }

  bool anyRetiring() const {
    return std::any_of(std::begin(ports) + 1, std::end(ports), [](const Port& p) { return p.retiring != nullptr; });
  }

  // Worker thread: takes a port out of the cycle; it is unregistered once no cycle reads it.
  void retirePort(std::size_t i) {
    if (jack_port_t* port = ports[i].port.exchange(nullptr)) ports[i].retiring = port;
  }

  // Worker thread: a per-source port left without its source is taken out of the cycle, then,
  // once its loss is queued, unregistered and free for the next source.
  void retireLostPorts() {
    const std::uint32_t left = unplugged.exchange(0, std::memory_order_acq_rel);
    for (std::size_t i = 1; i < kPorts; ++i) {
      jack_port_t* port = ports[i].port.load(std::memory_order_acquire);
      // Someone may have connected a second source by hand: the port stays for it.
      if (port && (left & (1u << i)) && jack_port_connected(port) == 0) retirePort(i);
    }
    if (!anyRetiring()) return;
    const std::uint64_t seen = cycles.load();
    auto settled = [&] {
      const std::uint32_t pending = lostPending.load(std::memory_order_acquire);
      for (std::size_t i = 1; i < kPorts; ++i)
        if (ports[i].retiring && (pending & (1u << i))) return false;
      return cycles.load() > seen;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!settled() && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // A stalled server, or a ring without room for the loss: the slot waits for a later try,
    // so that a new source never takes the id whose release is still to come.
    if (!settled()) return;
    for (Port& p : ports) {
      if (!p.retiring) continue;
      jack_port_unregister(client, p.retiring);
      p.retiring = nullptr;
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

  bool connectedToUs(const std::string& source) const {
    for (const Port& p : ports) {
      jack_port_t* port = p.port.load(std::memory_order_acquire);
      if (port && jack_port_connected_to(port, source.c_str())) return true;
    }
    return false;
  }

  // Worker thread: a port of its own for the source, or the shared one once all are taken.
  jack_port_t* portFor() {
    for (std::size_t i = 1; i < kPorts; ++i) {
      if (ports[i].port.load(std::memory_order_acquire) || ports[i].retiring) continue;
      const std::string name = std::string(MidiInput::kPortName) + "-" + std::to_string(i + 1);
      jack_port_t* port = jack_port_register(client, name.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
      if (!port) break;
      ports[i].port.store(port, std::memory_order_release);
      return port;
    }
    return ports[0].port.load(std::memory_order_acquire);
  }

  void connectHardwareSources() {
    const char** sources = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                          JackPortIsOutput | JackPortIsPhysical);
    if (!sources) return;
    const std::string ownPrefix = std::string(jack_get_client_name(client)) + ":";
    for (const char** name = sources; *name; ++name) {
      const std::string source = *name;
      // The through port only echoes what other programs send; our own ports never loop back.
      if (source.find("Midi Through") != std::string::npos) continue;
      if (source.compare(0, ownPrefix.size(), ownPrefix) == 0) continue;
      if (connectedToUs(source)) continue;
      if (skipAlsaBridges && bridgesAlsa(source)) continue;
      jack_port_t* port = portFor();
      // A source just gone fails: its port, left unconnected, is retired as any other.
      if (jack_connect(client, source.c_str(), jack_port_name(port)) != 0) {
        for (std::size_t i = 1; i < kPorts; ++i)
          if (ports[i].port.load(std::memory_order_acquire) == port) retirePort(i);
      }
    }
    jack_free(sources);
    retireLostPorts();
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
  impl_->allLost.store(true);
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

#include "platform/midiin/AlsaMidiInput.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/midi/ShortMessage.h"
#include "platform/midiin/MidiInput.h"
#include "platform/system/Diagnostics.h"

namespace tonalix::platform {
namespace {

// Messages waiting for the forwarding thread: at 1000 a second a stalled window has four
// seconds before any is dropped; releases and loss reports are always kept.
constexpr std::size_t kMaxWaiting = 4096;
// The sequencer's buffer for our input, in events (its default is small).
constexpr int kInputPool = 1000;

// The sequencer hands us decoded events; the window wants them as they are on the wire.
std::uint32_t shortMessageOf(const snd_seq_event_t& e) {
  const int ch = e.data.note.channel & 0x0F;
  auto of = [](int kind, int channel, int d1, int d2 = 0) {
    return ShortMessage::of(kind, channel, d1 & 0x7F, d2 & 0x7F).pack();
  };
  switch (e.type) {
    case SND_SEQ_EVENT_NOTEON: return of(ShortMessage::kNoteOn, ch, e.data.note.note, e.data.note.velocity);
    case SND_SEQ_EVENT_NOTEOFF: return of(ShortMessage::kNoteOff, ch, e.data.note.note, e.data.note.velocity);
    case SND_SEQ_EVENT_KEYPRESS: return of(ShortMessage::kKeyPressure, ch, e.data.note.note, e.data.note.velocity);
    case SND_SEQ_EVENT_CONTROLLER:
      return of(ShortMessage::kControlChange, e.data.control.channel & 0x0F, static_cast<int>(e.data.control.param),
                e.data.control.value);
    case SND_SEQ_EVENT_PGMCHANGE:
      return of(ShortMessage::kProgramChange, e.data.control.channel & 0x0F, e.data.control.value);
    case SND_SEQ_EVENT_CHANPRESS:
      return of(ShortMessage::kChannelPressure, e.data.control.channel & 0x0F, e.data.control.value);
    case SND_SEQ_EVENT_PITCHBEND: {
      const int bend = e.data.control.value + 8192;
      return of(ShortMessage::kPitchBend, e.data.control.channel & 0x0F, bend & 0x7F, (bend >> 7) & 0x7F);
    }
    default: return 0;  // system messages, SysEx, the sequencer's own: nothing a keyboard plays
  }
}

bool sameAddress(const snd_seq_addr_t& a, const snd_seq_addr_t& b) {
  return a.client == b.client && a.port == b.port;
}

}  // namespace

struct AlsaMidiInput::Impl {
  const MidiInputHandlers& handlers;
  snd_seq_t* seq = nullptr;
  snd_seq_addr_t input{};   // the port sources connect to
  int announcePort = -1;    // where the system announces ports coming and going
  std::set<std::pair<int, int>> connected;  // reader thread only
  int stopFd = -1;
  std::thread reader;
  std::atomic<std::uint64_t> overruns{0};

  // Reader to forwarder: a message (`lost` false) or the loss of its source.
  struct Item {
    MidiSourceId source;
    std::uint32_t message;
    bool lost;
  };
  std::mutex mutex;
  std::condition_variable ready;
  std::deque<Item> waiting;
  bool stopping = false;
  std::atomic<std::uint64_t> dropped{0};
  std::thread forwarder;

  explicit Impl(const MidiInputHandlers& h) : handlers(h) {}

  ~Impl() {
    if (reader.joinable()) {
      const std::uint64_t one = 1;
      (void)!::write(stopFd, &one, sizeof one);
      reader.join();
    }
    if (seq) snd_seq_close(seq);
    if (forwarder.joinable()) {
      {
        std::lock_guard lock(mutex);
        stopping = true;
      }
      ready.notify_one();
      forwarder.join();
    }
    if (stopFd >= 0) ::close(stopFd);
  }

  void hand(const Item& item) {
    {
      std::lock_guard lock(mutex);
      if (!item.lost && waiting.size() >= kMaxWaiting && !ShortMessage::unpack(item.message).isRelease()) {
        dropped.fetch_add(1, std::memory_order_relaxed);
        return;
      }
      waiting.push_back(item);
    }
    ready.notify_one();
  }

  void forward() {
    std::unique_lock lock(mutex);
    for (;;) {
      ready.wait(lock, [this] { return stopping || !waiting.empty(); });
      if (waiting.empty()) return;  // stopping, and all handed on
      std::deque<Item> batch;
      batch.swap(waiting);
      lock.unlock();
      for (const Item& item : batch) {
        if (item.lost) {
          if (handlers.sourceLost) handlers.sourceLost(item.source);
        } else if (handlers.message) {
          handlers.message(item.source, item.message);
        }
      }
      lock.lock();
    }
  }

  // A hardware source: a kernel client's readable port, not the through port, not ours.
  bool isHardwareSource(int clientId, int portId) {
    if (clientId == SND_SEQ_CLIENT_SYSTEM || clientId == input.client) return false;
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    if (snd_seq_get_any_client_info(seq, clientId, client) < 0) return false;
    if (snd_seq_client_info_get_type(client) != SND_SEQ_KERNEL_CLIENT) return false;
    if (std::strcmp(snd_seq_client_info_get_name(client), "Midi Through") == 0) return false;
    if (snd_seq_get_any_port_info(seq, clientId, portId, port) < 0) return false;
    const unsigned caps = snd_seq_port_info_get_capability(port);
    const unsigned wanted = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    return (caps & wanted) == wanted && !(caps & SND_SEQ_PORT_CAP_NO_EXPORT);
  }

  void connect(int clientId, int portId) {
    if (!isHardwareSource(clientId, portId)) return;
    // Already connected (by us or by the user) is as good as connected now.
    snd_seq_connect_from(seq, input.port, clientId, portId);
    connected.insert({clientId, portId});
    diagnose("midi", "connected the keyboard at ALSA port " + std::to_string(clientId) + ":" + std::to_string(portId));
  }

  void connectPresentSources() {
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    std::vector<std::pair<int, int>> ports;
    while (snd_seq_query_next_client(seq, client) >= 0) {
      snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
      snd_seq_port_info_set_port(port, -1);
      while (snd_seq_query_next_port(seq, port) >= 0)
        ports.emplace_back(snd_seq_port_info_get_client(port), snd_seq_port_info_get_port(port));
    }
    for (auto [c, p] : ports) connect(c, p);
  }

  void handle(const snd_seq_event_t& event) {
    if (event.dest.port == input.port) {
      if (const std::uint32_t message = shortMessageOf(event))
        hand({alsaSource(event.source.client, event.source.port), message, false});
      return;
    }
    switch (event.type) {
      case SND_SEQ_EVENT_PORT_START:
        connect(event.data.addr.client, event.data.addr.port);
        break;
      case SND_SEQ_EVENT_PORT_EXIT:
        if (connected.erase({event.data.addr.client, event.data.addr.port})) {
          diagnose("midi", "MIDI input lost ALSA port " + std::to_string(event.data.addr.client) + ":" +
                               std::to_string(event.data.addr.port));
          hand({alsaSource(event.data.addr.client, event.data.addr.port), 0, true});
        }
        break;
      case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
        if (sameAddress(event.data.connect.dest, input))
          hand({alsaSource(event.data.connect.sender.client, event.data.connect.sender.port), 0, true});
        break;
      default:
        break;
    }
  }

  void run() {
    const int count = snd_seq_poll_descriptors_count(seq, POLLIN);
    std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
    snd_seq_poll_descriptors(seq, fds.data(), static_cast<unsigned>(count), POLLIN);
    fds.back() = {stopFd, POLLIN, 0};
    for (;;) {
      if (::poll(fds.data(), fds.size(), -1) < 0) continue;
      if (fds.back().revents) return;
      for (;;) {
        snd_seq_event_t* event = nullptr;
        const int got = snd_seq_event_input(seq, &event);
        if (got == -ENOSPC) {
          // The sequencer's buffer overran and dropped input; releases may be among it.
          overruns.fetch_add(1, std::memory_order_relaxed);
          continue;
        }
        if (got < 0 || !event) break;
        handle(*event);
      }
    }
  }

  bool open() {
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) {
      seq = nullptr;
      return false;
    }
    snd_seq_set_client_name(seq, MidiInput::kClientName);
    snd_seq_set_client_pool_input(seq, kInputPool);
    const int port = snd_seq_create_simple_port(seq, MidiInput::kPortName,
                                                SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0) return false;
    input = {static_cast<unsigned char>(snd_seq_client_id(seq)), static_cast<unsigned char>(port)};
    announcePort = snd_seq_create_simple_port(seq, "announcements", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                              SND_SEQ_PORT_TYPE_APPLICATION);
    // Without the announcements the port still takes connections made by other programs.
    if (announcePort >= 0 &&
        snd_seq_connect_from(seq, announcePort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) >= 0)
      connectPresentSources();
    stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (stopFd < 0) return false;
    forwarder = std::thread([this] { forward(); });
    reader = std::thread([this] { run(); });
    return true;
  }
};

std::unique_ptr<AlsaMidiInput> AlsaMidiInput::open(const MidiInputHandlers& handlers) {
  // The library prints to stderr when the sequencer is missing; look first.
  if (::access("/dev/snd/seq", R_OK | W_OK) != 0) return nullptr;
  auto impl = std::make_unique<Impl>(handlers);
  if (!impl->open()) return nullptr;
  return std::unique_ptr<AlsaMidiInput>(new AlsaMidiInput(std::move(impl)));
}

AlsaMidiInput::AlsaMidiInput(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

AlsaMidiInput::~AlsaMidiInput() = default;

std::uint64_t AlsaMidiInput::overruns() const { return impl_->overruns.load(std::memory_order_relaxed); }
std::uint64_t AlsaMidiInput::droppedMessages() const { return impl_->dropped.load(std::memory_order_relaxed); }

}  // namespace tonalix::platform

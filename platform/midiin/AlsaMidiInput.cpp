#include "platform/midiin/AlsaMidiInput.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/audio/SoundLibraryMessages.h"
#include "platform/midiin/MidiByteParser.h"
#include "platform/midiin/MidiInput.h"
#include "platform/system/Diagnostics.h"

namespace tonalix::platform {
namespace {

void quietErrors(RtMidiError::Type, const std::string&, void*) {}

bool sameAddress(const snd_seq_addr_t& a, const snd_seq_addr_t& b) {
  return a.client == b.client && a.port == b.port;
}

}  // namespace

struct AlsaMidiInput::Impl {
  const MidiInputHandlers& handlers;
  std::unique_ptr<RtMidiIn> in;
  MidiByteParser parser;  // RtMidi's thread only
  std::atomic<bool> resetParser{false};

  snd_seq_t* seq = nullptr;
  int watchPort = -1;
  snd_seq_addr_t input{};  // our RtMidi port
  std::set<std::pair<int, int>> connected;  // watcher thread only
  int stopFd = -1;
  std::thread watcher;

  explicit Impl(const MidiInputHandlers& h) : handlers(h) {}

  ~Impl() {
    if (watcher.joinable()) {
      const std::uint64_t one = 1;
      (void)!::write(stopFd, &one, sizeof one);
      watcher.join();
    }
    if (stopFd >= 0) ::close(stopFd);
    if (seq) snd_seq_close(seq);
    // RtMidi stops its thread before the parser and handlers it reaches are gone.
    in.reset();
  }

  static void received(double, std::vector<unsigned char>* bytes, void* arg) {
    auto* self = static_cast<Impl*>(arg);
    if (self->resetParser.exchange(false, std::memory_order_acq_rel)) self->parser.reset();
    self->parser.feed(bytes->data(), bytes->size(),
                      [self](std::uint32_t message) { self->handlers.message(message); });
  }

  // Finds the RtMidi port among this process's clients.
  bool findInputPort() {
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq, client) >= 0) {
      if (snd_seq_client_info_get_pid(client) != ::getpid()) continue;
      if (std::strcmp(snd_seq_client_info_get_name(client), MidiInput::kClientName) != 0) continue;
      snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
      snd_seq_port_info_set_port(port, -1);
      while (snd_seq_query_next_port(seq, port) >= 0) {
        if (std::strcmp(snd_seq_port_info_get_name(port), MidiInput::kPortName) == 0) {
          input = *snd_seq_port_info_get_addr(port);
          return true;
        }
      }
    }
    return false;
  }

  // A hardware source: a kernel client's readable port, not the through port, not ours.
  bool isHardwareSource(int clientId, int portId) {
    if (clientId == SND_SEQ_CLIENT_SYSTEM) return false;
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
    snd_seq_port_subscribe_t* subscription;
    snd_seq_port_subscribe_alloca(&subscription);
    snd_seq_addr_t sender{static_cast<unsigned char>(clientId), static_cast<unsigned char>(portId)};
    snd_seq_port_subscribe_set_sender(subscription, &sender);
    snd_seq_port_subscribe_set_dest(subscription, &input);
    // Already connected (by us or by the user) is as good as connected now.
    snd_seq_subscribe_port(seq, subscription);
    connected.insert({clientId, portId});
    diagnose("midi", "MIDI input connected from ALSA port " + std::to_string(clientId) + ":" + std::to_string(portId));
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

  void sourceGone() {
    resetParser.store(true, std::memory_order_release);
    if (handlers.sourceLost) handlers.sourceLost();
  }

  void handle(const snd_seq_event_t& event) {
    switch (event.type) {
      case SND_SEQ_EVENT_PORT_START:
        connect(event.data.addr.client, event.data.addr.port);
        break;
      case SND_SEQ_EVENT_PORT_EXIT:
        if (connected.erase({event.data.addr.client, event.data.addr.port})) {
          diagnose("midi", "MIDI input lost ALSA port " + std::to_string(event.data.addr.client) + ":" +
                               std::to_string(event.data.addr.port));
          sourceGone();
        }
        break;
      case SND_SEQ_EVENT_PORT_UNSUBSCRIBED:
        if (sameAddress(event.data.connect.dest, input)) sourceGone();
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
      snd_seq_event_t* event = nullptr;
      while (snd_seq_event_input(seq, &event) >= 0 && event) {
        handle(*event);
        if (snd_seq_event_input_pending(seq, 0) == 0) break;
      }
    }
  }

  bool startWatcher() {
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK) < 0) return false;
    snd_seq_set_client_name(seq, "Tonalix STUDIO watcher");
    watchPort = snd_seq_create_simple_port(
        seq, "announcements", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
        SND_SEQ_PORT_TYPE_APPLICATION);
    if (watchPort < 0) return false;
    if (snd_seq_connect_from(seq, watchPort, SND_SEQ_CLIENT_SYSTEM,
                             SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0)
      return false;
    if (!findInputPort()) return false;
    connectPresentSources();
    stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (stopFd < 0) return false;
    watcher = std::thread([this] { run(); });
    return true;
  }
};

std::unique_ptr<AlsaMidiInput> AlsaMidiInput::open(const MidiInputHandlers& handlers) {
  // RtMidi prints to stderr before it throws when the sequencer is missing; look first.
  if (::access("/dev/snd/seq", R_OK | W_OK) != 0) return nullptr;
  silenceSoundLibraryMessages();
  auto impl = std::make_unique<Impl>(handlers);
  try {
    impl->in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, MidiInput::kClientName);
    impl->in->setErrorCallback(quietErrors, nullptr);
    // SysEx must reach the parser: its continuation bytes would otherwise pass for data.
    impl->in->ignoreTypes(false, true, true);
    impl->in->setCallback(Impl::received, impl.get());
    impl->in->openVirtualPort(MidiInput::kPortName);
  } catch (const std::exception&) {
    return nullptr;
  }
  // Without the watcher the port still takes connections made by other programs.
  if (!impl->startWatcher() && impl->seq) {
    snd_seq_close(impl->seq);
    impl->seq = nullptr;
  }
  return std::unique_ptr<AlsaMidiInput>(new AlsaMidiInput(std::move(impl)));
}

AlsaMidiInput::AlsaMidiInput(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

AlsaMidiInput::~AlsaMidiInput() = default;

}  // namespace tonalix::platform

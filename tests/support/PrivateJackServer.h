// A JACK server of the test's own on the dummy driver (no sound card needed), under a private
// name so that nothing else on the machine sees it, plus a MIDI source client that plays into
// it as a hardware keyboard would.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tonalix::testing {

class PrivateJackServer {
 public:
  // period: frames per cycle at 48 kHz.
  explicit PrivateJackServer(int period = 128) {
    // The client library reports every failed probe while the server starts.
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    const std::string name = "tonalix-test-" + std::to_string(::getpid());
    ::setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    const std::string periodText = std::to_string(period);
    std::vector<std::string> args = {"jackd", "--no-realtime", "-n", name, "-d", "dummy",
                                     "-r", "48000", "-p", periodText};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid_, "jackd", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      pid_ = 0;
      whyNot_ = "jackd is not installed (scripts/install-deps installs jackd2)";
      return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (jack_client_t* probe = jack_client_open("probe", JackNoStartServer, nullptr)) {
        jack_client_close(probe);
        running_ = true;
        return;
      }
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        whyNot_ = "jackd could not start a dummy-driver server";
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    whyNot_ = "jackd did not answer within 10 s";
  }
  ~PrivateJackServer() {
    if (pid_ == 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  PrivateJackServer(const PrivateJackServer&) = delete;
  PrivateJackServer& operator=(const PrivateJackServer&) = delete;

  bool running() const { return running_; }
  const std::string& whyNot() const { return whyNot_; }

 private:
  pid_t pid_ = 0;
  bool running_ = false;
  std::string whyNot_;
};

// A JACK client with one MIDI output marked physical, as a USB keyboard's bridge port is.
// Each send() becomes one JACK event, so a test decides exactly how bytes are split.
class JackMidiSource {
 public:
  explicit JackMidiSource(const char* name = "test keyboard") {
    client_ = jack_client_open(name, JackNoStartServer, nullptr);
    if (!client_) return;
    port_ = jack_port_register(client_, "midi_out", JACK_DEFAULT_MIDI_TYPE,
                               JackPortIsOutput | JackPortIsPhysical | JackPortIsTerminal, 0);
    jack_set_process_callback(client_, process, this);
    jack_activate(client_);
  }
  ~JackMidiSource() { close(); }
  JackMidiSource(const JackMidiSource&) = delete;
  JackMidiSource& operator=(const JackMidiSource&) = delete;

  bool ok() const { return client_ && port_; }
  std::string portName() const { return jack_port_name(port_); }
  // Connected to any port of the client that owns `port` (the program gives each hardware
  // source a port of its own).
  bool connectedToClientOf(const std::string& port) const {
    if (!port_) return false;
    const std::string client = port.substr(0, port.find(':') + 1);
    const char** connections = jack_port_get_connections(port_);
    if (!connections) return false;
    bool found = false;
    for (const char** c = connections; *c; ++c) found = found || std::string(*c).rfind(client, 0) == 0;
    jack_free(connections);
    return found;
  }
  void send(std::vector<std::uint8_t> packet) {
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(packet));
  }
  // Waits until every queued packet has gone out in a process cycle.
  bool flush() {
    for (int i = 0; i < 400; ++i) {
      {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }
  // The source vanishes as an unplugged keyboard does: its port goes with its client.
  void close() {
    if (!client_) return;
    jack_client_close(client_);
    client_ = nullptr;
  }

 private:
  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackMidiSource*>(arg);
    void* buffer = jack_port_get_buffer(self->port_, frames);
    jack_midi_clear_buffer(buffer);
    std::unique_lock lock(self->mutex_, std::try_to_lock);
    if (!lock) return 0;
    jack_nframes_t time = 0;
    for (auto& packet : self->pending_)
      jack_midi_event_write(buffer, std::min<jack_nframes_t>(time++, frames - 1), packet.data(), packet.size());
    self->pending_.clear();
    return 0;
  }

  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::mutex mutex_;
  std::vector<std::vector<std::uint8_t>> pending_;
};

}  // namespace tonalix::testing

// A private PulseAudio daemon with null sinks only, for tests and benches of the real
// sound-server path: nothing reaches a sound card and no user's server is touched. It ends
// with the object.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ScratchDir.h"

extern char** environ;

namespace tonalix::testing {

inline bool onPath(const char* tool) {
  const std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

class PulseDaemon {
 public:
  // In a runtime folder of its own, made at the first start(), which points this process's
  // sound clients (and the programs it starts) at it.
  explicit PulseDaemon(std::vector<std::string> sinks) : sinks_(std::move(sinks)), ownFolder_(true) {}
  // In the runtime folder the environment already names (XDG_RUNTIME_DIR), set up by the caller.
  static PulseDaemon inThisEnvironment(std::vector<std::string> sinks) {
    PulseDaemon daemon(std::move(sinks));
    daemon.ownFolder_ = false;
    return daemon;
  }
  PulseDaemon(PulseDaemon&& other) noexcept
      : sinks_(std::move(other.sinks_)), ownFolder_(other.ownFolder_), folder_(std::move(other.folder_)),
        pid_(other.pid_) {
    other.pid_ = -1;
  }
  PulseDaemon& operator=(PulseDaemon&&) = delete;

  // Starts the daemon and returns once it answers; again after kill() it comes back on the same
  // socket, like a restart.
  bool start() {
    if (ownFolder_ && !folder_) {
      folder_ = std::make_unique<ScratchDir>("tonalix-pulse");
      if (!folder_->made()) return false;
      setenv("XDG_RUNTIME_DIR", folder_->str().c_str(), 1);
      setenv("HOME", folder_->str().c_str(), 1);
      setenv("PULSE_RUNTIME_PATH", (folder_->str() + "/pulse").c_str(), 1);
    }
    std::vector<std::string> loads;
    for (const std::string& sink : sinks_) loads.push_back("--load=module-null-sink sink_name=" + sink);
    std::vector<const char*> argv = {"pulseaudio", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
                                     "-n", "--load=module-native-protocol-unix"};
    for (const std::string& load : loads) argv.push_back(load.c_str());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&pid_, "pulseaudio", &actions, nullptr, const_cast<char* const*>(argv.data()),
                                environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (std::system("pactl info >/dev/null 2>&1") == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // A crash, as far as clients can tell: no goodbye on the socket.
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // The runtime folder of its own; empty before start() or in the caller's folder.
  std::string folder() const { return folder_ ? folder_->str() : std::string(); }

  ~PulseDaemon() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  std::vector<std::string> sinks_;
  bool ownFolder_;
  std::unique_ptr<ScratchDir> folder_;  // removed after the daemon has ended
  pid_t pid_ = -1;
};

}  // namespace tonalix::testing

// A private PulseAudio daemon with one null sink, in a runtime folder of its own, for tests of
// the real sound-server path. It ends with the object.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tonalix::platform::test {

inline bool onPath(const char* tool) {
  const std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

class PulseDaemon {
 public:
  explicit PulseDaemon(std::string sink) : sink_(std::move(sink)) {}
  // Starts the daemon; again after kill() it comes back on the same socket, like a restart.
  bool start() {
    if (dir_.empty()) {
      char tmpl[] = "/tmp/tonalix-pulse-XXXXXX";
      if (!mkdtemp(tmpl)) return false;
      dir_ = tmpl;
    }
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    setenv("HOME", dir_.c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", (dir_ + "/pulse").c_str(), 1);
    const std::string loadSink = "--load=module-null-sink sink_name=" + sink_;
    std::vector<const char*> argv = {"pulseaudio", "--daemonize=no", "--system=false",
                                     "--exit-idle-time=-1", "-n",
                                     "--load=module-native-protocol-unix", loadSink.c_str(),
                                     "--log-target=stderr", "--log-level=0", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&pid_, "pulseaudio", &actions, nullptr,
                                const_cast<char* const*>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    for (int i = 0; i < 100; ++i) {
      if (std::system("pactl info >/dev/null 2>&1") == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
  ~PulseDaemon() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  const std::string& folder() const { return dir_; }

 private:
  std::string sink_;
  pid_t pid_ = -1;
  std::string dir_;
};

}  // namespace tonalix::platform::test

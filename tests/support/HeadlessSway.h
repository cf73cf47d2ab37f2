// A private Wayland compositor for tests: Sway's headless backend (no GPU, no input devices),
// one 1280 x 800 output, no Xwayland. Sway refuses to run as root, so a test run as root starts
// it as the unprivileged user nobody, in a runtime folder that user owns; the clients it serves
// are started as that user too, or connect as root, which may. It ends with the object.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "tests/support/PulseDaemon.h"
#include "tests/support/ScratchDir.h"

namespace tonalix::testing {

class HeadlessSway {
 public:
  static constexpr int kWidth = 1280, kHeight = 800;

  // Starts the compositor in a folder of its own and waits up to 30 s for its sockets. False,
  // with why(), where it cannot run here.
  bool start() {
    if (!onPath("sway") || !onPath("swaymsg")) return fail("sway is not installed");
    if (!folder_.made()) return fail("no scratch folder");
    const std::string base = folder_.str();
    runtime_ = base + "/runtime";
    std::filesystem::create_directory(runtime_);
    // Its user reaches the folder, owns the runtime folder and nothing else.
    chmod(base.c_str(), 0755);
    chmod(runtime_.c_str(), 0700);
    if (geteuid() == 0) {
      const passwd* user = getpwnam("nobody");
      if (!user) return fail("no user nobody to run the compositor as");
      uid_ = user->pw_uid;
      gid_ = user->pw_gid;
      if (chown(runtime_.c_str(), uid_, gid_) != 0)
        return fail("the runtime folder cannot be given to nobody");
    }
    {
      std::ofstream config(base + "/config");
      config << "output HEADLESS-1 resolution " << kWidth << "x" << kHeight << " position 0 0\n"
             << "default_border none\ndefault_floating_border none\nfocus_follows_mouse no\n"
             << "xwayland disable\n";
    }
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      // Its log is opened before the user changes: the folder holding it stays root's.
      const std::string logPath = base + "/sway.log";
      if (!freopen(logPath.c_str(), "w", stderr)) _exit(125);
      if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(gid_) != 0 || setuid(uid_) != 0))
        _exit(126);
      setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
      setenv("WLR_BACKENDS", "headless", 1);
      setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
      setenv("WLR_RENDERER", "pixman", 1);
      unsetenv("DISPLAY");
      unsetenv("WAYLAND_DISPLAY");
      const std::string config = base + "/config";
      execlp("sway", "sway", "-c", config.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return fail("sway ended at start (status " + std::to_string(status) + "): " + log());
      }
      findSockets();
      if (!display_.empty() && !ipc_.empty() &&
          std::system((swaymsg() + " -t get_version >/dev/null 2>&1").c_str()) == 0)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return fail("sway did not open its sockets in 30 s: " + log());
  }

  ~HeadlessSway() {
    if (pid_ > 0) {
      kill(-pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  const std::string& why() const { return why_; }
  // The runtime folder (its user's XDG_RUNTIME_DIR) and the Wayland socket's name in it.
  const std::string& runtimeDir() const { return runtime_; }
  const std::string& display() const { return display_; }
  std::string displayPath() const { return runtime_ + "/" + display_; }
  // swaymsg talking to this compositor.
  std::string swaymsg() const { return "SWAYSOCK='" + ipc_ + "' swaymsg"; }
  // Runs a command as the compositor's user with exactly the environment given (NAME=value
  // words), its runtime folder and Wayland socket added; the command line for the shell.
  std::string asItsUser(const std::string& environment, const std::string& command) const {
    std::string line = "env -i PATH=/usr/local/bin:/usr/bin:/bin XDG_RUNTIME_DIR='" + runtime_ +
                       "' WAYLAND_DISPLAY=" + display_ + " " + environment + " ";
    if (geteuid() == 0)
      line += "setpriv --reuid=" + std::to_string(uid_) + " --regid=" + std::to_string(gid_) +
              " --clear-groups ";
    return line + command;
  }
  // Gives a file or folder to the compositor's user (when running as root).
  void giveToItsUser(const std::string& path) const {
    if (geteuid() == 0 && chown(path.c_str(), uid_, gid_) != 0) return;
  }
  std::string log() const {
    std::ifstream in(folder_.str() + "/sway.log");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
  }

 private:
  bool fail(const std::string& why) {
    why_ = why;
    return false;
  }
  void findSockets() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(runtime_, ec)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_socket()) continue;
      if (name.rfind("wayland-", 0) == 0) display_ = name;
      if (name.rfind("sway-ipc.", 0) == 0) ipc_ = entry.path().string();
    }
  }

  ScratchDir folder_{"tonalix-sway"};
  std::string runtime_, display_, ipc_, why_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  pid_t pid_ = -1;
};

}  // namespace tonalix::testing

// The program as a process: the signals that end a desktop session unload the window as "Exit"
// does, and the command line chooses the SoundFont or prints help and version.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Start.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestSoundFont.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kNoSoundFont =
    "No General MIDI SoundFont was found. Install the package fluid-soundfont-gm.";

std::string output(const std::string& command) {
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    ::pclose(pipe);
  }
  return text;
}

TEST(ProgramProcess, EndingSignalsUnloadTheWindowAsExitDoes) {
  for (int number : {SIGTERM, SIGINT, SIGHUP}) {
    // A private runtime folder per run: the single-instance lock and the fallback temp folder.
    const tonalix::testing::ScratchDir runtime("tonalix-process");
    // A song file left in the private temp folder: the window's unload removes it.
    const fs::path temp = runtime.path() / "tonalix-studio";
    fs::create_directory(temp);
    ::chmod(temp.c_str(), 0700);
    std::ofstream(temp / "temp7") << "MThd";
    const fs::path lock = runtime.path() / ("tonalix-studio-" + std::to_string(::getuid()) + ".lock");

    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
      ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
      ::setenv("TONALIX_SOUNDFONT", tonalix::testing::kSmallSoundFont, 1);
      ::execl(TONALIX_APP, TONALIX_APP, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    // The lock is taken after the handlers are in place; from then on a signal is not lost.
    for (int i = 0; i < 1000 && !fs::exists(lock); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::exists(lock)) << "the program did not start";
    ::kill(pid, number);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 3000 && ended == 0; ++i) {
      ended = ::waitpid(pid, &status, WNOHANG);
      if (ended == 0) std::this_thread::sleep_for(10ms);
    }
    if (ended == 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      FAIL() << "signal " << number << " did not end the program";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << number << " killed the program instead of ending it";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(temp / "temp7")) << "signal " << number;
  }
}

TEST(ProgramProcess, HelpAndVersionArePrinted) {
  const std::string version = output(std::string(TONALIX_APP) + " --version 2>&1");
  EXPECT_NE(version.find("Tonalix STUDIO 4.0"), std::string::npos) << version;
  const std::string help = output(std::string(TONALIX_APP) + " --help 2>&1");
  EXPECT_NE(help.find("--soundfont <PATH>"), std::string::npos) << help;
  EXPECT_NE(help.find("TONALIX_SOUNDFONT"), std::string::npos) << help;
}

// Runs the program in this process with these arguments and returns the messages it showed.
// The first message ends the run; without one, a SIGTERM after three seconds does.
std::vector<std::string> messagesOfARun(std::vector<std::string> args) {
  const tonalix::testing::ScratchDir runtime("tonalix-process");
  ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  args.insert(args.begin(), "tonalix-studio");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int argc = static_cast<int>(args.size());
  std::vector<std::string> shown;
  tonalix::StartServices services;
  services.messageBox = [&shown](QWidget*, const QString&, const QString& text, tonalix::widgets::MessageIcon) {
    shown.push_back(text.toStdString());
    QCoreApplication::exit(0);
  };
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread stopper([&] {
    std::unique_lock lock(mutex);
    if (!ended.wait_for(lock, 3s, [&] { return done; })) ::kill(::getpid(), SIGTERM);
  });
  EXPECT_EQ(tonalix::Start(argc, argv.data(), services), 0);
  {
    std::lock_guard lock(mutex);
    done = true;
  }
  ended.notify_one();
  stopper.join();
  return shown;
}

TEST(ProgramProcess, AChosenSoundFontThatIsMissingOrNotASoundFontIsToldOnceAndTheProgramRuns) {
  const std::string garbage = ::testing::TempDir() + "/tonalix-not-a-font.sf2";
  std::ofstream(garbage) << "not RIFF";
  ::unsetenv("TONALIX_SOUNDFONT");
  EXPECT_EQ(messagesOfARun({"--soundfont", "/nonexistent/font.sf2"}), std::vector<std::string>{kNoSoundFont});
  ::setenv("TONALIX_SOUNDFONT", garbage.c_str(), 1);
  EXPECT_EQ(messagesOfARun({}), std::vector<std::string>{kNoSoundFont});
  // The option wins over the environment.
  EXPECT_TRUE(messagesOfARun({"--soundfont", tonalix::testing::kSmallSoundFont}).empty());
  ::unsetenv("TONALIX_SOUNDFONT");
  fs::remove(garbage);
}

}  // namespace

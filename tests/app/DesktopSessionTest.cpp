// The whole program in a real desktop session: an X server (Xvfb), a PulseAudio daemon with a
// null sink, and real key events from the X server. Keys pressed on the computer keyboard must
// be heard on the sound server at the pitch of their piano keys. Skipped where the tools for
// such a session are missing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/AudioTestSupport.h"

namespace {

constexpr int kRate = 48000;
using namespace std::chrono_literals;

bool onPath(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int run(const std::string& command) { return std::system(command.c_str()); }

// Starts a command in the background through the shell; its process group ends with the guard.
class Background {
 public:
  explicit Background(const std::string& command) {
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  // False once the command has ended (it crashed, or could not start).
  bool running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
  ~Background() {
    if (pid_ > 0) {
      kill(-pid_, SIGTERM);
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

double frequencyOfNote(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

TEST(DesktopSession, ComputerKeysAreHeardOnTheSoundServerAtTheirPitch) {
  for (const char* tool : {"Xvfb", "xdotool", "pulseaudio", "parec", "pactl"})
    if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";

  char tmpl[] = "/tmp/tonalix-session-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  // Appended rather than ":" + to_string(...): GCC 12 warns falsely (-Wrestrict) on that at -O3.
  std::string display = ":";
  display += std::to_string(150 + getpid() % 500);
  setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  setenv("HOME", dir.c_str(), 1);
  setenv("DISPLAY", display.c_str(), 1);
  unsetenv("QT_QPA_PLATFORM");  // this test wants the real X server

  Background xserver("Xvfb " + display + " -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1");
  Background pulse(
      "pulseaudio --daemonize=no --system=false --exit-idle-time=-1 -n "
      "--load=module-native-protocol-unix --load='module-null-sink sink_name=session' "
      ">/dev/null 2>&1");
  bool ready = false;
  for (int i = 0; i < 100 && !ready; ++i) {
    std::this_thread::sleep_for(50ms);
    ready = run("pactl info >/dev/null 2>&1") == 0 && run("xdotool getmouselocation >/dev/null 2>&1") == 0;
  }
  if (!ready) GTEST_SKIP() << "no X server or PulseAudio daemon could be started here";

  const std::string capture = dir + "/capture.raw";
  Background recorder("parec -d session.monitor --latency-msec=5 --format=float32le --channels=1 --rate=" +
                      std::to_string(kRate) + " --raw > " + capture + " 2>/dev/null");
  std::this_thread::sleep_for(2500ms);  // an idle null sink queues silence for a new reader

  Background program(std::string(TONALIX_APP) + " >/dev/null 2>&1");
  bool shown = false;
  for (int i = 0; i < 600 && !shown && program.running(); ++i) {
    std::this_thread::sleep_for(50ms);
    shown = run("xdotool search --onlyvisible --name 'Tonalix STUDIO' >/dev/null 2>&1") == 0;
  }
  ASSERT_TRUE(program.running()) << "the program ended before its window appeared";
  ASSERT_TRUE(shown) << "the main window never appeared";
  // The synthesizer starts beside the window; its stream on the server says it is playing.
  bool streaming = false;
  for (int i = 0; i < 300 && !streaming; ++i) {
    std::this_thread::sleep_for(50ms);
    streaming = run("pactl list short sink-inputs 2>/dev/null | grep -q .") == 0;
  }
  ASSERT_TRUE(streaming) << "the program never opened a stream on the sound server";
  run("xdotool windowfocus --sync $(xdotool search --onlyvisible --name 'Tonalix STUDIO' | head -1)");
  std::this_thread::sleep_for(700ms);

  // Q plays key 0 (note 50 at start-up); the left bracket key plays key 17 (note 67).
  for (const char* key : {"q", "bracketleft"}) {
    run(std::string("xdotool keydown ") + key);
    std::this_thread::sleep_for(800ms);
    run(std::string("xdotool keyup ") + key);
    std::this_thread::sleep_for(1500ms);  // let the release and reverb die down
  }
  std::this_thread::sleep_for(4s);  // the capture runs behind by the sink's queued silence

  std::vector<float> heard;
  if (FILE* f = std::fopen(capture.c_str(), "rb")) {
    float buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, sizeof(float), 4096, f)) > 0) heard.insert(heard.end(), buf, buf + n);
    std::fclose(f);
  }
  std::filesystem::remove_all(dir);

  // Find the two notes: sound rising above one level after a quiet spell below a lower one.
  std::vector<std::size_t> onsets;
  const std::size_t block = kRate / 50;
  bool sounding = false;
  for (std::size_t i = 0; i + block <= heard.size(); i += block) {
    float peak = 0;
    for (std::size_t k = i; k < i + block; ++k) peak = std::max(peak, std::fabs(heard[k]));
    if (!sounding && peak > 0.01f) {
      onsets.push_back(i);
      sounding = true;
    } else if (sounding && peak < 0.002f) {
      sounding = false;
    }
  }
  std::string envelope;  // the level every 0.1 s, to see what was heard when this fails
  for (std::size_t i = 0; i + kRate / 10 <= heard.size(); i += kRate / 10) {
    float peak = 0;
    for (std::size_t k = i; k < i + kRate / 10; ++k) peak = std::max(peak, std::fabs(heard[k]));
    envelope += peak > 0.01f ? '#' : peak > 0.002f ? '+' : '.';
  }
  ASSERT_EQ(onsets.size(), 2u) << "expected two notes, heard " << onsets.size() << " in "
                               << heard.size() << " captured samples: " << envelope;
  const int notes[] = {50, 67};
  for (int n = 0; n < 2; ++n) {
    const std::size_t from = onsets[static_cast<std::size_t>(n)] + kRate / 10;
    ASSERT_LE(from + kRate / 2, heard.size());
    const std::vector<float> steady(heard.begin() + static_cast<std::ptrdiff_t>(from),
                                    heard.begin() + static_cast<std::ptrdiff_t>(from + kRate / 2));
    const double expected = frequencyOfNote(notes[n]);
    EXPECT_NEAR(tonalix::platform::test::pitchOf(steady, kRate), expected, expected * 0.01)
        << "note " << notes[n];
  }
}

}  // namespace

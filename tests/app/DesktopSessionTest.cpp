// The whole program, as installed, in a real desktop session: an X server (Xvfb), a PulseAudio
// daemon with a null sink, and real key and mouse events from the X server. What the user does
// must be heard on the sound server: computer keys at the pitch of their piano keys, a drum pad
// repeating at its rate, a sample song until it is stopped, a take recorded with REC and STOP
// (and checked as a file) played back with PLAY; the help and the about box open from the
// keyboard (Alt+H). The same program under a Wayland compositor (headless Sway) comes up as a
// native Wayland window and plays computer keys and clicked keys at their pitch.
// Skipped where the tools for such a session are missing or cannot start.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/platform/AudioTestSupport.h"
#include "tests/support/HeadlessSway.h"
#include "tests/support/PulseDaemon.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/WaylandVirtualInput.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRate = 48000;
using namespace std::chrono_literals;

using tonalix::testing::onPath;

int run(const std::string& command) { return std::system(command.c_str()); }

std::string output(const std::string& command) {
  std::string text;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) text += buf;
    pclose(p);
  }
  return text;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

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
  bool running() {
    if (pid_ <= 0 || ended_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == 0) return true;
    ended_ = true;
    status_ = status;
    return false;
  }
  // Sends SIGTERM to the command alone and waits up to `seconds` for it to end.
  void terminate(int seconds) {
    if (pid_ <= 0 || ended_) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < seconds * 20 && running(); ++i) usleep(50000);
  }
  std::string howItEnded() const {
    if (!ended_) return "still running";
    if (WIFSIGNALED(status_)) return "killed by signal " + std::to_string(WTERMSIG(status_));
    return "exit status " + std::to_string(WEXITSTATUS(status_));
  }
  ~Background() {
    if (pid_ > 0) {
      kill(-pid_, SIGTERM);
      terminate(5);
      if (!ended_) {  // a program that does not end on SIGTERM must not hang the test
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
  }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = 0;
};

// A WAV file's header fields and where its data chunk lies, read byte by byte.
struct WavLayout {
  std::string bytes;
  unsigned format = 0, channels = 0, rate = 0, bits = 0;
  std::size_t riffSize = 0, dataAt = 0, dataSize = 0;
  unsigned u16(std::size_t at) const {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
  }
  std::size_t u32(std::size_t at) const { return u16(at) | std::size_t{u16(at + 2)} << 16; }
  bool riffWave() const { return bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WAVE"; }
};

WavLayout readWav(const std::string& path) {
  WavLayout wav;
  std::ifstream in(path, std::ios::binary);
  wav.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (wav.bytes.size() < 44) return wav;
  wav.riffSize = wav.u32(4);
  std::size_t at = 12;
  while (at + 8 <= wav.bytes.size()) {
    const std::string id = wav.bytes.substr(at, 4);
    const std::size_t size = wav.u32(at + 4);
    if (id == "fmt ") {
      wav.format = wav.u16(at + 8);
      wav.channels = wav.u16(at + 10);
      wav.rate = static_cast<unsigned>(wav.u32(at + 12));
      wav.bits = wav.u16(at + 22);
    } else if (id == "data") {
      wav.dataAt = at + 8;
      wav.dataSize = size;
      break;
    }
    at += 8 + size + (size & 1);
  }
  return wav;
}

double frequencyOfNote(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

std::vector<float> readCapture(const std::string& path) {
  std::vector<float> heard;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    float buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, sizeof(float), 4096, f)) > 0) heard.insert(heard.end(), buf, buf + n);
    std::fclose(f);
  }
  return heard;
}

float peakIn(const std::vector<float>& x, std::size_t from, std::size_t to) {
  float peak = 0;
  for (std::size_t k = from; k < to && k < x.size(); ++k) peak = std::max(peak, std::fabs(x[k]));
  return peak;
}

// A stretch of sound between quiet spells of at least a second.
struct Passage {
  std::size_t begin, end;  // samples
  double seconds() const { return static_cast<double>(end - begin) / kRate; }
};

std::vector<Passage> passagesOf(const std::vector<float>& heard) {
  const std::size_t block = kRate / 50;
  std::vector<Passage> found;
  std::size_t quietBlocks = 1000;
  for (std::size_t i = 0; i + block <= heard.size(); i += block) {
    const float peak = peakIn(heard, i, i + block);
    if (peak > 0.01f) {
      if (quietBlocks >= 50 || found.empty()) found.push_back({i, i + block});
      found.back().end = i + block;
      quietBlocks = 0;
    } else if (peak < 0.002f) {
      ++quietBlocks;
    }
  }
  return found;
}

// Waits (30 s at most) until the recorder has written `seconds` of sound: it is running and
// past the silence a new reader of an idle sink is handed first.
void waitUntilCaptured(const std::string& capture, double seconds) {
  const auto wanted = static_cast<std::uintmax_t>(seconds * kRate) * sizeof(float);
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  const auto written = [&] {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(capture, ec);
    return ec ? 0 : size;  // not there yet
  };
  while (std::chrono::steady_clock::now() < deadline && written() < wanted) std::this_thread::sleep_for(25ms);
}

// The pitch of half a second of a passage, past its attack; 0 when the capture ends before.
double steadyPitchOf(const std::vector<float>& heard, const Passage& passage) {
  const std::size_t from = passage.begin + kRate / 10;
  if (from + kRate / 2 > heard.size()) return 0.0;
  const std::vector<float> steady(heard.begin() + static_cast<std::ptrdiff_t>(from),
                                  heard.begin() + static_cast<std::ptrdiff_t>(from + kRate / 2));
  return tonalix::platform::test::pitchOf(steady, kRate);
}

// The sanitizers' settings of a sanitized build, handed on to a program started with a cleared
// environment as another user: without them it reports what the suite's settings leave out.
// A suppressions file is copied where that user can read it.
std::string sanitizerOptionsFor(const std::string& folder) {
  std::string line;
  for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    std::string options = value;
    const std::string key = "suppressions=";
    const std::size_t at = options.find(key);
    if (at != std::string::npos) {
      const std::size_t from = at + key.size();
      const std::size_t end = options.find_first_of(": ", from);
      const std::string original = options.substr(from, end == std::string::npos ? std::string::npos : end - from);
      const std::string copy = folder + "/" + name + ".supp";
      std::error_code ec;
      fs::copy_file(original, copy, fs::copy_options::overwrite_existing, ec);
      fs::permissions(copy, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, ec);
      options.replace(from, original.size(), copy);
    }
    line += std::string(" ") + name + "='" + options + "'";
  }
  return line;
}

// Hits inside a passage: the level rising again after falling well below the last hit's peak.
// Blocks of 20 ms span a whole cycle of a low drum, and a hit's own ringing is let pass.
std::vector<std::size_t> hitsIn(const std::vector<float>& heard, const Passage& p) {
  const std::size_t block = kRate / 50;
  std::vector<std::size_t> hits;
  float hitPeak = 0;
  bool armed = true;
  for (std::size_t i = p.begin; i + block <= p.end; i += block) {
    const float peak = peakIn(heard, i, i + block);
    if (armed && peak > 0.01f) {
      hits.push_back(i);
      hitPeak = peak;
      armed = false;
    } else if (!armed) {
      hitPeak = std::max(hitPeak, peak);
      if (i - hits.back() > kRate * 3 / 10 && peak < hitPeak * 0.1f) armed = true;
    }
  }
  return hits;
}

// The level every 0.1 s, to see what was heard when the test fails.
std::string envelopeOf(const std::vector<float>& heard) {
  std::string envelope;
  for (std::size_t i = 0; i + kRate / 10 <= heard.size(); i += kRate / 10) {
    const float peak = peakIn(heard, i, i + kRate / 10);
    envelope += peak > 0.01f ? '#' : peak > 0.002f ? '+' : '.';
  }
  return envelope;
}

class DesktopSession : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(scratch_.made()); }

  // Clicks at a point of the window's client area given in twips, below the menu bar.
  void clickAt(int leftTwips, int topTwips) {
    const int x = windowX_ + leftTwips / 15;
    const int y = windowY_ + clientTop_ + topTwips / 15;
    run("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) +
        " click 1 mousemove 0 0 >/dev/null 2>&1");
  }

  // Installs the program into a prefix under the test's folder, as a user would have it.
  std::string installProgram() {
    const std::string prefix = dir_ + "/usr";
    const int rc = run(std::string(TONALIX_CMAKE) + " --install " + TONALIX_BUILD_DIR + " --prefix " + prefix +
                       " >" + dir_ + "/install.log 2>&1");
    EXPECT_EQ(rc, 0) << readFile(dir_ + "/install.log");
    return rc == 0 ? prefix : std::string();
  }

  tonalix::testing::ScratchDir scratch_{"tonalix-session"};
  const std::string dir_ = scratch_.str();
  int windowX_ = 0, windowY_ = 0, clientTop_ = 0;
};

TEST_F(DesktopSession, KeysDrumsSongsAndARecordedTakeAreHeardAndTheHelpOpens) {
  for (const char* tool : {"Xvfb", "xdotool", "pulseaudio", "parec", "pactl"})
    if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";

  // The program runs as a user would have it: installed into a prefix, started from there.
  const std::string prefix = installProgram();
  ASSERT_FALSE(prefix.empty());

  setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  setenv("HOME", dir_.c_str(), 1);
  unsetenv("QT_QPA_PLATFORM");  // this test wants the real X server
  // The X server picks a free display itself and writes its number; no guessed number collides.
  const std::string displayFile = dir_ + "/display";
  // -noreset: the server would otherwise reset whenever its last client leaves, and a client
  // connecting meanwhile is refused.
  Background xserver("Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>" + displayFile +
                     " 2>" + dir_ + "/xvfb.log");
  std::string display;
  for (int i = 0; i < 200 && display.empty() && xserver.running(); ++i) {
    std::this_thread::sleep_for(25ms);
    const std::string text = readFile(displayFile);
    // Appended rather than ":" + ...: GCC 12 warns falsely (-Wrestrict) on that at -O3.
    if (!text.empty() && text.back() == '\n') {
      display = ":";
      display += text.substr(0, text.size() - 1);
    }
  }
  if (display.empty()) GTEST_SKIP() << "no X server could be started here: " << readFile(dir_ + "/xvfb.log");
  setenv("DISPLAY", display.c_str(), 1);

  auto pulse = tonalix::testing::PulseDaemon::inThisEnvironment({"session"});
  if (!pulse.start()) GTEST_SKIP() << "no PulseAudio daemon could be started here";

  const std::string capture = dir_ + "/capture.raw";
  Background recorder("parec -d session.monitor --latency-msec=5 --format=float32le --channels=1 --rate=" +
                      std::to_string(kRate) + " --raw > " + capture + " 2>/dev/null");
  waitUntilCaptured(capture, 2.5);  // an idle null sink queues silence for a new reader

  // The program's own words stay in a file and come with any failure.
  const std::string programLog = dir_ + "/program.log";
  Background program(prefix + "/bin/tonalix-studio >" + programLog + " 2>&1");
  // A message box in the way shows up among the window titles.
  const auto said = [&] {
    return "\nwindows shown: " + output("for w in $(xdotool search --onlyvisible --name . 2>/dev/null);"
                                        " do xdotool getwindowname $w; done | tr '\\n' '|'") +
           "\nthe program said:\n" + readFile(programLog);
  };
  bool shown = false;
  for (int i = 0; i < 600 && !shown && program.running(); ++i) {
    std::this_thread::sleep_for(50ms);
    shown = run("xdotool search --onlyvisible --name 'Tonalix STUDIO' >/dev/null 2>&1") == 0;
  }
  ASSERT_TRUE(program.running()) << "the program ended (" << program.howItEnded()
                                 << ") before its window appeared" << said();
  ASSERT_TRUE(shown) << "the main window never appeared" << said();
  // The synthesizer starts beside the window; its stream on the server says it is playing.
  bool streaming = false;
  for (int i = 0; i < 300 && !streaming; ++i) {
    std::this_thread::sleep_for(50ms);
    streaming = run("pactl list short sink-inputs 2>/dev/null | grep -q .") == 0;
  }
  ASSERT_TRUE(streaming) << "the program never opened a stream on the sound server" << said();
  std::string window = output("xdotool search --onlyvisible --name 'Tonalix STUDIO' | head -1");
  while (!window.empty() && std::isspace(static_cast<unsigned char>(window.back()))) window.pop_back();
  run("xdotool windowfocus --sync " + window);
  {
    // The client area (the design's 11460 x 5700 twips) lies below the menu bar.
    std::istringstream geometry(output("xdotool getwindowgeometry --shell " + window));
    std::string line;
    int height = 0;
    while (std::getline(geometry, line)) {
      if (line.rfind("X=", 0) == 0) windowX_ = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0) windowY_ = std::stoi(line.substr(2));
      if (line.rfind("HEIGHT=", 0) == 0) height = std::stoi(line.substr(7));
    }
    clientTop_ = height - 5700 / 15;
    ASSERT_GE(clientTop_, 0) << "window height " << height;
  }
  std::this_thread::sleep_for(700ms);

  // Q plays key 0 (note 50 at start-up); the left bracket key plays key 17 (note 67).
  for (const char* key : {"q", "bracketleft"}) {
    run(std::string("xdotool keydown ") + key);
    std::this_thread::sleep_for(800ms);
    run(std::string("xdotool keyup ") + key);
    std::this_thread::sleep_for(2500ms);  // let the release and reverb die down
  }

  // The bass drum pad repeats once a second until clicked again.
  clickAt(5175 + 975 / 2, 810 + 300 / 2);
  std::this_thread::sleep_for(3500ms);
  clickAt(5175 + 975 / 2, 810 + 300 / 2);
  std::this_thread::sleep_for(2000ms);

  // Sample song 1 plays until its stop button is clicked.
  clickAt(8160 + 540 / 2, 1140 + 360 / 2);
  std::this_thread::sleep_for(3000ms);
  clickAt(10860 + 420 / 2, 720 + 330 / 2);
  std::this_thread::sleep_for(2500ms);

  // A take: the file named in the box, REC, a note held on piano key 0 with the mouse, STOP.
  const std::string take = dir_ + "/take one.wav";
  clickAt(210 + 3270 / 2, 5055 + 330 / 2);
  run("xdotool key --clearmodifiers ctrl+a BackSpace type --delay 5 '" + take + "'");
  clickAt(3990 + 780 / 2, 5055 + 330 / 2);
  std::this_thread::sleep_for(500ms);
  run("xdotool mousemove --sync " + std::to_string(windowX_ + 30) + " " +
      std::to_string(windowY_ + clientTop_ + 300) +
      " mousedown 1 sleep 1 mouseup 1 mousemove 0 0 >/dev/null 2>&1");
  std::this_thread::sleep_for(1500ms);
  clickAt(4830 + 780 / 2, 5055 + 330 / 2);
  std::this_thread::sleep_for(1000ms);
  // PLAY sounds the take on the sound server again.
  clickAt(5670 + 780 / 2, 5055 + 330 / 2);
  std::this_thread::sleep_for(5000ms);

  // The help opens at its first topic from "How to Use", the first item of the Help menu; the
  // about box from the next one.
  const auto appears = [&](const std::string& title) {
    for (int i = 0; i < 200; ++i) {
      if (run("xdotool search --onlyvisible --name '" + title + "' >/dev/null 2>&1") == 0) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  };
  // Alt+H opens the Help menu from the piano, which holds the keyboard focus; the open menu
  // then takes the arrow keys and Return.
  const auto fromHelpMenu = [&](const std::string& keys) {
    run("xdotool windowfocus --sync " + window + " key alt+h sleep 0.4 key " + keys + " >/dev/null 2>&1");
  };
  fromHelpMenu("Return");
  EXPECT_TRUE(appears("Tonalix STUDIO 4.0 - How to Use")) << "the help never appeared" << said();
  fromHelpMenu("Down Return");
  EXPECT_TRUE(appears("About Tonalix STUDIO 4.0")) << "the about box never appeared" << said();

  std::this_thread::sleep_for(3s);  // the capture runs behind by the sink's queued silence
  ASSERT_TRUE(program.running()) << "the program ended (" << program.howItEnded() << ")" << said();

  // The installed program wrote its song into the per-user folder, nothing into its prefix.
  EXPECT_TRUE(fs::exists(dir_ + "/tonalix-studio/temp1")) << said();
  EXPECT_FALSE(fs::exists(prefix + "/bin/temp"));

  // The take, read from outside the program: a plain 16-bit stereo 44.1 kHz WAV as long as the
  // recording ran, holding the note at the pitch it was heard at.
  double takePitch = 0;
  {
    const WavLayout wav = readWav(take);
    ASSERT_GE(wav.bytes.size(), 44u) << "no take was written" << said();
    const auto u16 = [&](std::size_t at) { return wav.u16(at); };
    EXPECT_TRUE(wav.riffWave());
    EXPECT_EQ(wav.riffSize, wav.bytes.size() - 8);
    EXPECT_EQ(wav.format, 1u);
    EXPECT_EQ(wav.channels, 2u);
    EXPECT_EQ(wav.rate, 44100u);
    EXPECT_EQ(wav.bits, 16u);
    const std::size_t dataAt = wav.dataAt, dataSize = wav.dataSize;
    ASSERT_GT(dataAt, 0u) << "no data chunk";
    ASSERT_EQ(dataAt + dataSize, wav.bytes.size()) << "the data chunk's size is not the file's";
    const double seconds = static_cast<double>(dataSize) / (44100 * 4);
    EXPECT_GT(seconds, 2.0) << "the take is shorter than the recording ran";
    EXPECT_LT(seconds, 6.0) << "the take is longer than the recording ran";
    std::vector<float> left;
    for (std::size_t k = dataAt; k + 4 <= dataAt + dataSize; k += 4)
      left.push_back(static_cast<float>(static_cast<std::int16_t>(u16(k))) / 32768.0f);
    const long onset = tonalix::platform::test::onsetOf(left, 0.01f);
    ASSERT_GE(onset, 0) << "the take is silent";
    const std::size_t from = static_cast<std::size_t>(onset) + 4410;
    ASSERT_LE(from + 22050, left.size()) << "the take ends during the note";
    const std::vector<float> steady(left.begin() + static_cast<std::ptrdiff_t>(from),
                                    left.begin() + static_cast<std::ptrdiff_t>(from + 22050));
    takePitch = tonalix::platform::test::pitchOf(steady, 44100);
  }

  const std::vector<float> heard = readCapture(capture);
  const std::vector<Passage> passages = passagesOf(heard);
  ASSERT_EQ(passages.size(), 6u) << "expected two notes, the drum, the song, the note recorded "
                                    "and the take played back, heard "
                                 << passages.size() << " passages in " << heard.size()
                                 << " captured samples: " << envelopeOf(heard) << said();
  const auto pitchOfPassage = [&](std::size_t passage) { return steadyPitchOf(heard, passages[passage]); };
  // The keys at the pitch of their notes (within the SoundFont's own tuning).
  EXPECT_NEAR(pitchOfPassage(0), frequencyOfNote(50), frequencyOfNote(50) * 0.01);
  EXPECT_NEAR(pitchOfPassage(1), frequencyOfNote(67), frequencyOfNote(67) * 0.01);
  // The take, in its file and played back, holds the note exactly as it was heard live: any
  // lost or doubled frames, or a wrong rate conversion, would move it.
  const double live = pitchOfPassage(4);
  EXPECT_NEAR(live, frequencyOfNote(50), frequencyOfNote(50) * 0.01);
  EXPECT_NEAR(takePitch, live, live * 0.004) << "the take's pitch in its file";
  EXPECT_NEAR(pitchOfPassage(5), live, live * 0.004) << "the take played back";
  // The click is silent; hits follow at one-second steps (three in the 3.5 s it ran).
  const std::vector<std::size_t> hits = hitsIn(heard, passages[2]);
  ASSERT_EQ(hits.size(), 3u) << said() << "drum passage: " << envelopeOf({heard.begin() + passages[2].begin,
                                                                 heard.begin() + passages[2].end});
  for (std::size_t h = 1; h < hits.size(); ++h)
    EXPECT_NEAR(static_cast<double>(hits[h] - hits[h - 1]) / kRate, 1.0, 0.05) << "hit " << h;
  // The song sounds for the three seconds it played and stops with its button (its last notes'
  // release aside).
  EXPECT_GT(passages[3].seconds(), 2.5);
  EXPECT_LT(passages[3].seconds(), 4.5);

  // Ending the program with SIGTERM in the middle of a take unloads it as "Exit" does: the
  // take is saved, complete, to the file named. The help and about windows are moved off the
  // main window first, so the clicks land on it.
  run("for w in $(xdotool search --onlyvisible --name 'How to Use|About Tonalix'); do "
      "xdotool windowmove $w 3000 3000; done >/dev/null 2>&1");
  const std::string cutShort = dir_ + "/take two.wav";
  clickAt(210 + 3270 / 2, 5055 + 330 / 2);
  run("xdotool key --clearmodifiers ctrl+a BackSpace type --delay 5 '" + cutShort + "'");
  clickAt(3990 + 780 / 2, 5055 + 330 / 2);
  std::this_thread::sleep_for(1500ms);
  program.terminate(10);
  EXPECT_EQ(program.howItEnded(), "exit status 0") << said();
  const WavLayout cut = readWav(cutShort);
  ASSERT_TRUE(cut.riffWave()) << "the take cut short by SIGTERM was not saved" << said();
  EXPECT_EQ(cut.riffSize, cut.bytes.size() - 8);
  ASSERT_GT(cut.dataAt, 0u);
  EXPECT_EQ(cut.dataAt + cut.dataSize, cut.bytes.size());
  EXPECT_GT(static_cast<double>(cut.dataSize) / (44100 * 4), 0.5) << "the take cut short lost its frames";
}

// The program's view in the compositor's tree: where its content lies and which shell it uses.
struct SwayView {
  bool found = false;
  QString shell;
  int x = 0, y = 0, width = 0, height = 0;
  bool focused = false;
};

SwayView findView(const QJsonObject& node, const QString& title) {
  if (node.value("name").toString().contains(title) && node.contains("shell")) {
    const QJsonObject rect = node.value("rect").toObject();
    const QJsonObject content = node.value("window_rect").toObject();
    return {true, node.value("shell").toString(), rect.value("x").toInt() + content.value("x").toInt(),
            rect.value("y").toInt() + content.value("y").toInt(), content.value("width").toInt(),
            content.value("height").toInt(), node.value("focused").toBool()};
  }
  for (const char* children : {"nodes", "floating_nodes"})
    for (const QJsonValue child : node.value(children).toArray())
      if (SwayView view = findView(child.toObject(), title); view.found) return view;
  return {};
}

TEST_F(DesktopSession, OnWaylandTheWindowIsNativeAndKeysAndClicksAreHeardAtTheirPitch) {
  for (const char* tool : {"pulseaudio", "parec", "pactl", "setpriv"})
    if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";
  tonalix::testing::HeadlessSway sway;
  if (!sway.start()) GTEST_SKIP() << "no Wayland compositor could be started here: " << sway.why();

  const std::string prefix = installProgram();
  ASSERT_FALSE(prefix.empty());
  // The compositor's user reaches the installed program and has a home of its own.
  chmod(dir_.c_str(), 0755);
  const std::string home = dir_ + "/home";
  fs::create_directory(home);
  sway.giveToItsUser(home);

  setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  setenv("HOME", dir_.c_str(), 1);
  auto pulse = tonalix::testing::PulseDaemon::inThisEnvironment({"session"});
  if (!pulse.start()) GTEST_SKIP() << "no PulseAudio daemon could be started here";
  // The program's user reaches the sound server on a socket of its own that asks no cookie.
  const std::string pulseSocket = dir_ + "/pulse-anonymous";
  ASSERT_EQ(run("pactl load-module module-native-protocol-unix auth-anonymous=1 socket=" + pulseSocket +
                " >/dev/null"),
            0);
  chmod(pulseSocket.c_str(), 0777);

  const std::string capture = dir_ + "/capture.raw";
  Background recorder("parec -d session.monitor --latency-msec=5 --format=float32le --channels=1 --rate=" +
                      std::to_string(kRate) + " --raw > " + capture + " 2>/dev/null");
  waitUntilCaptured(capture, 2.5);  // an idle null sink queues silence for a new reader

  // Started as a Wayland desktop starts it: no X display, no platform chosen for Qt.
  const std::string programLog = dir_ + "/program.log";
  Background program(sway.asItsUser("HOME='" + home + "' XDG_SESSION_TYPE=wayland PULSE_SERVER=unix:" + pulseSocket +
                                        sanitizerOptionsFor(dir_),
                                    prefix + "/bin/tonalix-studio") +
                     " >" + programLog + " 2>&1");
  const auto said = [&] { return "\nthe program said:\n" + readFile(programLog) + "\nsway said:\n" + sway.log(); };
  SwayView view;
  std::string tree;
  for (int i = 0; i < 600 && !view.found && program.running(); ++i) {
    std::this_thread::sleep_for(50ms);
    tree = output(sway.swaymsg() + " -r -t get_tree 2>/dev/null");
    view = findView(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object(), QStringLiteral("Tonalix STUDIO"));
  }
  ASSERT_TRUE(program.running()) << "the program ended (" << program.howItEnded() << ") before its window appeared"
                                 << said();
  ASSERT_TRUE(view.found) << "the main window never appeared in the compositor's tree: " << tree << said();
  EXPECT_EQ(view.shell.toStdString(), "xdg_shell") << "the window is not a native Wayland one";
  bool streaming = false;
  for (int i = 0; i < 300 && !streaming; ++i) {
    std::this_thread::sleep_for(50ms);
    streaming = run("pactl list short sink-inputs 2>/dev/null | grep -q .") == 0;
  }
  ASSERT_TRUE(streaming) << "the program never opened a stream on the sound server" << said();
  run(sway.swaymsg() + " '[app_id=tonalix-studio] focus' >/dev/null 2>&1");
  for (int i = 0; i < 300 && !view.focused; ++i) {
    std::this_thread::sleep_for(50ms);
    tree = output(sway.swaymsg() + " -r -t get_tree 2>/dev/null");
    view = findView(QJsonDocument::fromJson(QByteArray::fromStdString(tree)).object(), QStringLiteral("Tonalix STUDIO"));
  }
  ASSERT_TRUE(view.focused) << "the compositor never gave the window the focus: " << tree << said();

  tonalix::testing::WaylandVirtualInput input(sway.displayPath());
  ASSERT_EQ(input.error(), "");
  // A virtual keyboard whose keymap has just changed may lose its first key on its way through
  // the compositor (it regroups its keyboards then). Shift goes first, pressed and released:
  // alone it plays nothing, which the count of passages below also checks.
  const auto useLayout = [&](const char* layout) {
    if (!input.setLayout(layout)) return false;
    input.key(KEY_LEFTSHIFT, true);
    input.key(KEY_LEFTSHIFT, false);
    return true;
  };
  const auto hold = [&](std::uint32_t code) {
    input.key(code, true);
    std::this_thread::sleep_for(800ms);
    input.key(code, false);
    std::this_thread::sleep_for(2500ms);  // let the release and reverb die down
  };
  // Keys play by their place on the keyboard, whatever the layout: Q's place plays key 0 (note
  // 50) on a US layout; on a French one the left bracket's place (a dead circumflex there)
  // plays key 17 (note 67).
  ASSERT_TRUE(useLayout("us"));
  hold(KEY_Q);
  ASSERT_TRUE(useLayout("fr"));
  hold(KEY_LEFTBRACE);
  // Piano key 0 held with the mouse; the menu bar lies above the design's 5700-twip client area.
  const int clientTop = view.height - 5700 / 15;
  ASSERT_GE(clientTop, 0) << "window height " << view.height;
  input.moveTo(static_cast<std::uint32_t>(view.x + 30), static_cast<std::uint32_t>(view.y + clientTop + 300),
               tonalix::testing::HeadlessSway::kWidth, tonalix::testing::HeadlessSway::kHeight);
  input.leftButton(true);
  std::this_thread::sleep_for(1000ms);
  input.leftButton(false);
  std::this_thread::sleep_for(3000ms);  // the release, and the capture behind by the queued silence
  ASSERT_TRUE(program.running()) << "the program ended (" << program.howItEnded() << ")" << said();

  const std::vector<float> heard = readCapture(capture);
  const std::vector<Passage> passages = passagesOf(heard);
  ASSERT_EQ(passages.size(), 3u) << "expected two computer keys and a clicked key, heard " << passages.size()
                                 << " passages: " << envelopeOf(heard) << said();
  const auto pitchOfPassage = [&](std::size_t passage) { return steadyPitchOf(heard, passages[passage]); };
  EXPECT_NEAR(pitchOfPassage(0), frequencyOfNote(50), frequencyOfNote(50) * 0.01) << "Q on a US layout";
  EXPECT_NEAR(pitchOfPassage(1), frequencyOfNote(67), frequencyOfNote(67) * 0.01) << "the bracket's place, French";
  EXPECT_NEAR(pitchOfPassage(2), frequencyOfNote(50), frequencyOfNote(50) * 0.01) << "key 0 clicked";

  program.terminate(10);
  EXPECT_EQ(program.howItEnded(), "exit status 0") << said();
}

}  // namespace

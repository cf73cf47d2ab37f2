#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/mci/MciSystem.h"
#include "platform/midiout/MidiOut.h"
#include "songs/SequencerControl.h"
#include "tests/platform/AudioTestSupport.h"

using namespace tonalix;
namespace fs = std::filesystem;

namespace {

// A stand-in command layer: records every command and answers status queries with `mode`
// (empty: the query fails as with no song open).
struct FakeLayer {
  std::vector<std::string> sent;
  std::string mode;
  std::uint32_t openResult = 0;
  std::uint32_t playResult = 0;
  std::uint32_t shortPathResult = 0;  // 0: the path's own length
  std::string shortForm;

  platform::MciCalls calls() {
    platform::MciCalls c;
    c.sendString = [this](const char* command, char* reply, std::uint32_t length) -> std::uint32_t {
      const std::string cmd = command;
      sent.push_back(cmd);
      if (cmd == "status mymidi mode") {
        if (mode.empty()) return 263;
        if (reply && length > mode.size()) std::memcpy(reply, mode.c_str(), mode.size() + 1);
        return 0;
      }
      if (cmd.rfind("open ", 0) == 0) return openResult;
      if (cmd == "play mymidi") return playResult;
      return 0;
    };
    c.errorString = [](std::uint32_t code, char* text, std::uint32_t length) {
      std::snprintf(text, length, "error text %u", code);
    };
    c.shortPathName = [this](const char* path, char* buffer, std::uint32_t length) -> std::uint32_t {
      const std::string out = shortForm.empty() ? std::string(path) : shortForm;
      if (shortPathResult) return shortPathResult;
      if (out.size() + 1 > length) return static_cast<std::uint32_t>(out.size() + 1);
      std::memcpy(buffer, out.c_str(), out.size() + 1);
      return static_cast<std::uint32_t>(out.size());
    };
    return c;
  }
};

struct Box {
  std::vector<std::pair<std::string, std::string>> shown;
  SequencerControl::MessageBox callback() {
    return [this](const std::string& text, const std::string& caption) { shown.emplace_back(text, caption); };
  }
};

const std::string kTitle = "Tonalix STUDIO 4.0";

}  // namespace

TEST(SequencerControl, StopMidiFollowsTheDevicesMode) {
  FakeLayer layer;
  Box box;
  SequencerControl control(box.callback(), kTitle, layer.calls());

  // No song: both queries fail and nothing else is sent.
  control.StopMidi();
  EXPECT_EQ(layer.sent, (std::vector<std::string>{"status mymidi mode", "status mymidi mode"}));

  // Playing: stopped and left open; a second press (now stopped) closes it.
  layer.sent.clear();
  layer.mode = "playing";
  control.StopMidi();
  EXPECT_EQ(layer.sent, (std::vector<std::string>{"status mymidi mode", "stop mymidi"}));
  layer.sent.clear();
  layer.mode = "stopped";
  control.StopMidi();
  EXPECT_EQ(layer.sent, (std::vector<std::string>{"status mymidi mode", "status mymidi mode", "close all"}));

  // Any other answer sends nothing.
  layer.sent.clear();
  layer.mode = "paused";
  control.StopMidi();
  EXPECT_EQ(layer.sent.size(), 2u);
  EXPECT_TRUE(box.shown.empty());
}

TEST(SequencerControl, PlayMidiFileQuotesThePathAndReportsFailures) {
  FakeLayer layer;
  Box box;
  SequencerControl control(box.callback(), kTitle, layer.calls());

  // The long path itself when its short form would not fit the path's own length.
  const std::string path = "/opt/tonalix studio/temp/temp7";
  layer.shortPathResult = static_cast<std::uint32_t>(path.size() + 1);
  control.PlayMidiFile(path);
  EXPECT_EQ(layer.sent, (std::vector<std::string>{
                            "close all", "open \"" + path + "\" type sequencer alias mymidi", "play mymidi"}));
  EXPECT_TRUE(box.shown.empty());

  // A short form is used when the layer offers one.
  layer = {};
  layer.shortForm = "/opt/TONALI~1/temp/temp7";
  control = SequencerControl(box.callback(), kTitle, layer.calls());
  control.PlayMidiFile(path);
  EXPECT_EQ(layer.sent.at(1), "open \"/opt/TONALI~1/temp/temp7\" type sequencer alias mymidi");

  // A failed open: one box with the layer's text and the title; play is not sent.
  layer = {};
  layer.openResult = 296;
  control = SequencerControl(box.callback(), kTitle, layer.calls());
  control.PlayMidiFile(path);
  EXPECT_EQ(layer.sent.size(), 2u);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0], std::make_pair(std::string("error text 296"), kTitle));

  // A failed play is reported the same way.
  box.shown.clear();
  layer = {};
  layer.playResult = 343;
  control = SequencerControl(box.callback(), kTitle, layer.calls());
  control.PlayMidiFile(path);
  EXPECT_EQ(layer.sent.size(), 3u);
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].first, "error text 343");
}

TEST(SequencerControl, ShortPathCreatesTheFileFirstButNeverThroughALink) {
  const fs::path dir = fs::temp_directory_path() / ("tonalix short path " + std::to_string(::getpid()));
  fs::create_directories(dir);
  Box box;
  SequencerControl control(box.callback(), kTitle);  // the platform's layer
  const fs::path file = dir / "take one.wav";
  EXPECT_EQ(control.ShortPath(file.string()), file.string());
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 0u);
  // Existing content is left alone.
  { std::FILE* f = std::fopen(file.c_str(), "wb"); std::fputs("RIFF", f); std::fclose(f); }
  EXPECT_EQ(control.ShortPath(file.string()), file.string());
  EXPECT_EQ(fs::file_size(file), 4u);
  // A folder that does not exist: nothing created, empty result.
  EXPECT_EQ(control.ShortPath((dir / "no such folder" / "x.wav").string()), "");
  // A dangling link is not followed to create the file it names.
  fs::create_symlink(dir / "target.wav", dir / "planted.wav");
  EXPECT_EQ(control.ShortPath((dir / "planted.wav").string()), "");
  EXPECT_FALSE(fs::exists(dir / "target.wav"));
  fs::remove_all(dir);
}

TEST(SequencerControl, PlaysASongThroughThePlatformSequencer) {
  using namespace tonalix::platform;
  AudioEngine engine;
  ASSERT_TRUE(engine.start(test::offlineConfig()));
  setBuiltInSynth(&engine);
  Box box;
  SequencerControl control(box.callback(), kTitle);

  control.PlayMidiFile(std::string(TONALIX_SONGS_DIR) + "/song05.mid");
  EXPECT_TRUE(box.shown.empty());
  char mode[255] = {};
  EXPECT_EQ(mciSendStringA("status mymidi mode", mode, sizeof mode, 0), 0u);
  EXPECT_STREQ(mode, "playing");
  control.StopMidi();  // stops, stays open
  EXPECT_EQ(mciSendStringA("status mymidi mode", mode, sizeof mode, 0), 0u);
  EXPECT_STREQ(mode, "stopped");
  control.StopMidi();  // closes
  EXPECT_EQ(MciSystem::instance().openDeviceCount(), 0u);

  // A damaged song: one box with the layer's own text.
  const fs::path bad = fs::temp_directory_path() / ("tonalix bad song " + std::to_string(::getpid()));
  { std::FILE* f = std::fopen(bad.c_str(), "wb"); std::fputs("MThd", f); std::fclose(f); }
  control.PlayMidiFile(bad.string());
  ASSERT_EQ(box.shown.size(), 1u);
  char expected[255];
  mciGetErrorStringA(MCIERR_INVALID_FILE, expected, sizeof expected);
  EXPECT_EQ(box.shown[0], std::make_pair(std::string(expected), kTitle));
  fs::remove(bad);
  mciSendStringA("close all", nullptr, 0, 0);
  setBuiltInSynth(nullptr);
}

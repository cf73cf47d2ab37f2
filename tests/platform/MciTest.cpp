#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/mci/MciCommand.h"
#include "platform/mci/MciErrors.h"
#include "platform/mci/MciSystem.h"
#include "platform/mci/MciTokenizer.h"
#include "platform/mci/ShortPathName.h"
#include "platform/midiout/MidiOut.h"
#include "tests/platform/AudioTestSupport.h"

using namespace tonalix::platform;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> words(const std::string& command) {
  std::vector<MciToken> tokens;
  EXPECT_EQ(MciTokenizer::tokenize(command, tokens), 0u) << command;
  std::vector<std::string> out;
  for (const auto& t : tokens) out.push_back(t.text);
  return out;
}

std::string send(const std::string& command, MCIERROR* result = nullptr) {
  char reply[255];
  std::memset(reply, ' ', sizeof reply);
  const MCIERROR r = mciSendStringA(command.c_str(), reply, sizeof reply, 0);
  if (result) *result = r;
  return r == 0 ? std::string(reply) : std::string();
}

MCIERROR run(const std::string& command) { return mciSendStringA(command.c_str(), nullptr, 0, 0); }

// A scratch folder whose name holds blanks, removed afterwards.
struct ScratchDir {
  fs::path path = fs::temp_directory_path() / ("tonalix mci test " + std::to_string(::getpid()));
  ScratchDir() { fs::create_directories(path); }
  ~ScratchDir() { fs::remove_all(path); }
};

}  // namespace

TEST(MciTokenizer, SplitsWordsAndQuotedPaths) {
  EXPECT_EQ(words("open \"/tmp/my songs/temp 1\" type sequencer alias mymidi"),
            (std::vector<std::string>{"open", "/tmp/my songs/temp 1", "type", "sequencer", "alias", "mymidi"}));
  // Runs of blanks separate like one blank.
  EXPECT_EQ(words("record  recsound"), (std::vector<std::string>{"record", "recsound"}));
  EXPECT_EQ(words("set recsound time format ms bitspersample 16 channels 2 bytespersec 22500  samplespersec 44100")
                .size(), 13u);
  EXPECT_EQ(words("   ").size(), 0u);

  std::vector<MciToken> tokens;
  EXPECT_EQ(MciTokenizer::tokenize("open \"/tmp/unterminated type sequencer", tokens), MCIERR_NO_CLOSING_QUOTE);
  EXPECT_TRUE(mciEquals("Alias", "alias"));
  EXPECT_FALSE(mciEquals("alias", "aliases"));
}

TEST(MciErrors, EveryCodeHasItsOwnText) {
  std::set<std::string> texts;
  const MCIERROR codes[] = {MCIERR_INVALID_DEVICE_NAME, MCIERR_UNRECOGNIZED_COMMAND, MCIERR_FILE_NOT_FOUND,
                            MCIERR_INVALID_FILE, MCIERR_PARAM_OVERFLOW, MCIERR_SEQ_NOMIDIPRESENT,
                            MCIERR_NO_CLOSING_QUOTE, MCIERR_DUPLICATE_ALIAS, MCIERR_UNRECOGNIZED_KEYWORD};
  for (MCIERROR code : codes) {
    char text[255];
    EXPECT_TRUE(mciGetErrorStringA(code, text, sizeof text)) << code;
    EXPECT_GT(std::strlen(text), 10u);
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), std::size(codes));
  char text[255];
  EXPECT_FALSE(mciGetErrorStringA(12345, text, sizeof text));
  EXPECT_GT(std::strlen(text), 0u);
  char tiny[8];
  mciGetErrorStringA(MCIERR_FILE_NOT_FOUND, tiny, sizeof tiny);
  EXPECT_EQ(std::strlen(tiny), 7u);  // cut to fit, still terminated
  EXPECT_FALSE(mciGetErrorStringA(MCIERR_FILE_NOT_FOUND, nullptr, 10));
}

TEST(ShortPathName, ExistingPathsAreTheirOwnShortForm) {
  ScratchDir dir;
  const std::string file = (dir.path / "a song").string();
  std::FILE* f = std::fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  char buffer[512];
  EXPECT_EQ(GetShortPathNameA(file.c_str(), buffer, sizeof buffer), file.size());
  EXPECT_EQ(std::string(buffer), file);
  // Too small a buffer: the size needed, the buffer untouched.
  std::strcpy(buffer, "unchanged");
  EXPECT_EQ(GetShortPathNameA(file.c_str(), buffer, static_cast<std::uint32_t>(file.size())), file.size() + 1);
  EXPECT_STREQ(buffer, "unchanged");
  EXPECT_EQ(GetShortPathNameA((dir.path / "missing").c_str(), buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetShortPathNameA("", buffer, sizeof buffer), 0u);
}

class MciSequencer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(engine.start(test::offlineConfig()));
    setBuiltInSynth(&engine);
    run("close all");
    // The song sits in a folder with blanks, under a name without extension.
    song = (dir.path / "temp1").string();
    fs::copy_file(std::string(TONALIX_TEST_DATA) + "/one_second.mid", song);
  }
  void TearDown() override {
    run("close all");
    setBuiltInSynth(nullptr);
  }
  // Renders like a sound card would, a block at a time with the feeder running alongside.
  std::vector<float> renderSeconds(double seconds) {
    std::vector<float> left;
    std::vector<float> block(2 * 512);
    for (int i = 0; i < static_cast<int>(seconds * 48000 / 512); ++i) {
      engine.renderOffline(block.data(), 512);
      for (int f = 0; f < 512; ++f) left.push_back(block[2 * f]);
      std::this_thread::sleep_for(std::chrono::microseconds(1500));
    }
    return left;
  }

  AudioEngine engine;
  ScratchDir dir;
  std::string song;
};

TEST_F(MciSequencer, SongPlaysAndTurnsToStoppedAtItsEnd) {
  EXPECT_EQ(run("open \"" + song + "\" type sequencer alias mymidi"), 0u);
  EXPECT_EQ(send("status mymidi mode"), "stopped");
  EXPECT_EQ(send("status mymidi length"), "1000");
  EXPECT_EQ(run("play mymidi"), 0u);
  EXPECT_EQ(send("Status MyMidi Mode"), "playing");  // keywords and aliases ignore case
  const auto heard = renderSeconds(0.6);
  EXPECT_GT(test::peakOf(heard), 0.01f);
  EXPECT_EQ(send("status mymidi mode"), "playing");
  renderSeconds(0.8);
  EXPECT_EQ(send("status mymidi mode"), "stopped");
  // Played through: a new play starts from the beginning.
  EXPECT_EQ(run("play mymidi"), 0u);
  EXPECT_EQ(send("status mymidi mode"), "playing");
  EXPECT_EQ(run("close all"), 0u);
  MCIERROR result = 0;
  send("status mymidi mode", &result);
  EXPECT_EQ(result, MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(MciSequencer, StopLeavesTheSongOpenAndSilent) {
  ASSERT_EQ(run("open \"" + song + "\" type sequencer alias mymidi"), 0u);
  ASSERT_EQ(run("play mymidi"), 0u);
  renderSeconds(0.3);
  EXPECT_EQ(run("stop mymidi"), 0u);
  EXPECT_EQ(send("status mymidi mode"), "stopped");
  const auto after = renderSeconds(3.0);
  EXPECT_LT(test::peakOf(std::vector<float>(after.end() - 24000, after.end())), 1e-4f);
  EXPECT_EQ(run("close mymidi"), 0u);
  EXPECT_EQ(run("stop mymidi"), MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(MciSequencer, BadCommandsGiveTheirCodes) {
  const std::string open = "open \"" + song + "\" type sequencer alias mymidi";
  EXPECT_EQ(run(""), MCIERR_MISSING_COMMAND_STRING);
  EXPECT_EQ(run("jump mymidi"), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(run("play"), MCIERR_MISSING_DEVICE_NAME);
  EXPECT_EQ(run("play mymidi"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(run("play all"), MCIERR_CANNOT_USE_ALL);
  EXPECT_EQ(run("open \"" + song + " type sequencer alias mymidi"), MCIERR_NO_CLOSING_QUOTE);
  EXPECT_EQ(run("open \"" + song + "\" type camera alias mymidi"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(run("open \"" + song + "\" alias mymidi"), MCIERR_DEVICE_TYPE_REQUIRED);  // no extension
  EXPECT_EQ(run("open \"" + song + "\" type sequencer alias"), MCIERR_MISSING_STRING_ARGUMENT);
  EXPECT_EQ(run("open \"" + song + "\" type sequencer loudly"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(run("open new type sequencer"), MCIERR_NEW_REQUIRES_ALIAS);
  EXPECT_EQ(run("open \"" + (dir.path / "missing").string() + "\" type sequencer alias mymidi"),
            MCIERR_FILE_NOT_FOUND);
  const std::string damaged = (dir.path / "damaged").string();
  fs::copy_file(song, damaged);
  fs::resize_file(damaged, 30);
  EXPECT_EQ(run("open \"" + damaged + "\" type sequencer alias mymidi"), MCIERR_INVALID_FILE);

  ASSERT_EQ(run(open), 0u);
  EXPECT_EQ(run(open), MCIERR_DUPLICATE_ALIAS);
  EXPECT_EQ(run("status mymidi"), MCIERR_MISSING_PARAMETER);
  EXPECT_EQ(run("status mymidi volume"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(run("record mymidi"), MCIERR_UNSUPPORTED_FUNCTION);
  EXPECT_EQ(run("play mymidi backwards"), MCIERR_UNRECOGNIZED_KEYWORD);
  char small[4];
  EXPECT_EQ(mciSendStringA("status mymidi mode", small, sizeof small, 0), MCIERR_PARAM_OVERFLOW);
  EXPECT_EQ(mciSendStringA("status mymidi mode", nullptr, 0, 0), 0u);  // reply not wanted
  EXPECT_EQ(mciSendStringA(nullptr, nullptr, 0, 0), MCIERR_MISSING_COMMAND_STRING);
  EXPECT_EQ(MciSystem::instance().openDeviceCount(), 1u);

  // Without an output to play on, play fails and the song stays open, stopped.
  setBuiltInSynth(nullptr);
  EXPECT_EQ(run("play mymidi"), MCIERR_SEQ_NOMIDIPRESENT);
  EXPECT_EQ(send("status mymidi mode"), "stopped");
}

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/AudioEngine.h"
#include "platform/audio/TakeWriter.h"
#include "platform/audio/UnsavedTakes.h"
#include "platform/mci/MciErrors.h"
#include "platform/mci/MciSendCommand.h"
#include "platform/mci/MciSystem.h"
#include "platform/midiout/MidiOut.h"
#include "tests/platform/AudioTestSupport.h"

using namespace tonalix::platform;
namespace fs = std::filesystem;

namespace {

MCIERROR run(const std::string& command) { return mciSendStringA(command.c_str(), nullptr, 0, 0); }

std::string query(const std::string& command) {
  char reply[255] = {};
  EXPECT_EQ(mciSendStringA(command.c_str(), reply, sizeof reply, 0), 0u) << command;
  return reply;
}

std::string errorText(MCIERROR code) {
  char text[1024];
  mciGetErrorStringA(code, text, sizeof text);
  return text;
}

struct WaveFile {
  SF_INFO info{};
  std::vector<float> samples;  // interleaved
  std::uint64_t dataChunkBytes = 0;
  std::uint64_t dataOffset = 0;
};

// Reads the file through libsndfile and finds the size its "data" chunk declares.
WaveFile readWave(const std::string& path) {
  WaveFile w;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &w.info);
  if (!f) return w;
  w.samples.resize(static_cast<std::size_t>(w.info.frames * w.info.channels));
  sf_readf_float(f, w.samples.data(), w.info.frames);
  sf_close(f);
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  for (std::size_t i = 12; i + 8 <= bytes.size();) {
    std::uint32_t size = 0;
    std::memcpy(&size, &bytes[i + 4], 4);
    if (std::memcmp(&bytes[i], "data", 4) == 0) {
      w.dataChunkBytes = size;
      w.dataOffset = i + 8;
      break;
    }
    i += 8 + size + (size & 1);
  }
  return w;
}

// The path after "kept as " in a message, up to its closing full stop.
std::string keptPath(const std::string& text) {
  const std::size_t at = text.find("kept as ");
  return at == std::string::npos ? std::string() : text.substr(at + 8, text.size() - at - 9);
}

// The file holds a plain PCM header whose sizes match the whole frames that follow it.
void expectWholeReadableTake(const std::string& path, int bits) {
  const WaveFile w = readWave(path);
  EXPECT_EQ(w.info.format, SF_FORMAT_WAV | (bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_U8)) << path;
  EXPECT_GT(w.info.frames, 0) << path;
  EXPECT_EQ(w.dataChunkBytes, static_cast<std::uint64_t>(w.info.frames) * 2 * bits / 8);
  EXPECT_EQ(fs::file_size(path), w.dataOffset + w.dataChunkBytes) << "the header, the data and nothing else";
}

class WaveRecorderDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir);
    // Takes in progress and kept takes go under the data folder: a private one for the test.
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    unsetenv("TONALIX_RECORD_SOURCE");
    ASSERT_TRUE(engine.start(test::offlineConfig()));
    setBuiltInSynth(&engine);
  }
  void TearDown() override {
    run("close recsound");
    setBuiltInSynth(nullptr);
    fs::remove_all(dir);
  }
  // Renders like the audio thread would, keeping what went out.
  void render(double seconds, std::vector<float>* kept = nullptr) {
    std::vector<float> block(2 * 256);
    for (int i = 0; i < static_cast<int>(seconds * 48000 / 256); ++i) {
      engine.renderOffline(block.data(), 256);
      if (kept) kept->insert(kept->end(), block.begin(), block.end());
      if (i % 64 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  std::string recordNote(const std::string& setCommand, const std::string& path, std::vector<float>* kept = nullptr) {
    EXPECT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
    EXPECT_EQ(run(setCommand), 0u) << setCommand;
    EXPECT_EQ(run("record  recsound"), 0u);
    engine.sendShortMessage(0x7F4590);  // A4, 440 Hz
    render(1.0, kept);
    EXPECT_EQ(run("stop recsound"), 0u);
    EXPECT_EQ(run("set recsound time format bytes"), 0u);
    const std::string length = query("status recsound length");
    engine.sendShortMessage(0x004580);
    EXPECT_EQ(run("save recsound " + path), 0u) << errorText(MCIERR_FILE_NOT_SAVED);
    EXPECT_EQ(run("close recsound"), 0u);
    return length;
  }

  fs::path dir = fs::temp_directory_path() / ("tonalix wave test " + std::to_string(::getpid()));
  AudioEngine engine;
};

TEST_F(WaveRecorderDevice, EachFormatRecordsThePlayedNoteWithAMatchingHeader) {
  struct Case { int bits, rate; };
  for (const Case c : {Case{16, 44100}, Case{8, 44100}, Case{16, 48000}, Case{8, 48000}}) {
    SCOPED_TRACE(std::to_string(c.bits) + " bit " + std::to_string(c.rate));
    // The byte rate stated is always 22500; the header must follow width, channels and rate.
    const std::string set = "set recsound time format ms bitspersample " + std::to_string(c.bits) +
                            " channels 2 bytespersec 22500  samplespersec " + std::to_string(c.rate);
    const std::string path = (dir / ("my take " + std::to_string(c.bits) + " " + std::to_string(c.rate) + ".wav")).string();
    const std::string length = recordNote(set, path);
    const WaveFile w = readWave(path);
    ASSERT_EQ(w.info.channels, 2);
    EXPECT_EQ(w.info.samplerate, c.rate);
    EXPECT_EQ(w.info.format, SF_FORMAT_WAV | (c.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_U8));
    // One second of output, converted to the chosen rate, and the reported length is the data.
    EXPECT_NEAR(static_cast<double>(w.info.frames), c.rate * (48000 / 256 * 256 / 48000.0), 64);
    EXPECT_EQ(std::stoull(length), w.dataChunkBytes);
    EXPECT_EQ(w.dataChunkBytes, static_cast<std::uint64_t>(w.info.frames) * 2 * c.bits / 8);
    std::vector<float> left;
    for (std::size_t i = 2 * static_cast<std::size_t>(c.rate / 4); i < w.samples.size(); i += 2) left.push_back(w.samples[i]);
    EXPECT_NEAR(test::pitchOf(left, c.rate), 440.0, 4.0);
  }
}

TEST_F(WaveRecorderDevice, RecordedSamplesAreTheRenderedOnes) {
  std::vector<float> rendered;
  const std::string path = (dir / "exact.wav").string();
  recordNote("set recsound bitspersample 16 channels 2 samplespersec 48000", path, &rendered);
  const WaveFile w = readWave(path);
  ASSERT_EQ(w.samples.size(), rendered.size());
  double worst = 0;
  for (std::size_t i = 0; i < rendered.size(); ++i)
    worst = std::max(worst, std::fabs(double(w.samples[i]) - std::clamp(rendered[i], -1.0f, 1.0f)));
  EXPECT_LE(worst, 1.0 / 32768 + 1e-6);
  EXPECT_GT(test::peakOf(w.samples), 0.05f);
}

TEST_F(WaveRecorderDevice, AFailedSaveKeepsTheTakeAndSaysWhere) {
  // A named pipe would block the save for ever if it were opened.
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  for (const std::string& target : {std::string("/dev/full"), (dir / "pipe").string(),
                                    (dir / "no such folder" / "x.wav").string(), std::string()}) {
    SCOPED_TRACE(target);
    ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
    ASSERT_EQ(run("record recsound"), 0u);
    engine.sendShortMessage(0x7F4590);
    render(0.5);
    const MCIERROR saved = run("save recsound " + target);
    EXPECT_EQ(saved, MCIERR_FILE_NOT_SAVED);
    const std::string text = errorText(saved);
    const std::size_t at = text.find("kept as ");
    ASSERT_NE(at, std::string::npos) << text;
    const std::string kept = text.substr(at + 8, text.size() - at - 9);
    EXPECT_EQ(fs::path(kept).parent_path(), dir / "data" / "tonalix-studio" / "recordings");
    const WaveFile w = readWave(kept);
    EXPECT_GT(w.info.frames, 20000);
    EXPECT_EQ(run("close recsound"), 0u);
    EXPECT_TRUE(fs::exists(kept));
    fs::remove(kept);
  }
  EXPECT_TRUE(fs::exists("/dev/full"));
  EXPECT_FALSE(fs::is_regular_file("/dev/full"));
}

TEST_F(WaveRecorderDevice, SavePathIsTheVerbatimRestOfTheLine) {
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  render(0.2);
  // A line break is refused before anything is written; the take stays to be saved.
  EXPECT_EQ(run("save recsound " + (dir / "a\nb.wav").string()), MCIERR_BAD_FILE_NAME);
  // Words that look like commands or flags are part of the name, and so is a trailing blank.
  const std::string name = (dir / "close all wait ").string();
  EXPECT_EQ(run("save recsound " + name), 0u);
  EXPECT_TRUE(fs::is_regular_file(name));
  EXPECT_GT(readWave(name).info.frames, 4000);
  // A lone double quote in the name is part of it too.
  ASSERT_EQ(run("close recsound"), 0u);
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  render(0.1);
  const std::string quoted = (dir / "my \"best take.wav").string();
  EXPECT_EQ(run("save recsound " + quoted), 0u);
  EXPECT_TRUE(fs::is_regular_file(quoted));
}

TEST_F(WaveRecorderDevice, CloseAllLeavesARecordingRunning) {
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  render(0.1);
  EXPECT_EQ(run("close all"), 0u);
  EXPECT_EQ(query("status recsound mode"), "recording");
}

TEST_F(WaveRecorderDevice, AnUnsavedTakeIsKeptWhenTheDeviceCloses) {
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  render(0.2);
  EXPECT_EQ(run("close recsound"), 0u);
  std::vector<fs::path> kept;
  for (const auto& e : fs::directory_iterator(dir / "data" / "tonalix-studio" / "recordings")) kept.push_back(e.path());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].filename().string().rfind("Recording ", 0), 0u);
}

TEST_F(WaveRecorderDevice, RecordBasedPlayReturnsWhenTheFileHasPlayedThroughTheEngine) {
  // A 0.3 s, 22050 Hz mono tone of 660 Hz: another rate and channel count than the engine's.
  const std::string path = (dir / "tone file.wav").string();
  SF_INFO info{};
  info.samplerate = 22050;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr);
  std::vector<float> tone(6615);
  for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = 0.5f * std::sin(2 * M_PI * 660 * double(i) / 22050);
  sf_writef_float(f, tone.data(), static_cast<sf_count_t>(tone.size()));
  sf_close(f);

  std::atomic<bool> done{false};
  std::vector<float> out;  // read only after the thread has ended
  std::atomic<std::size_t> renderedFrames{0};
  std::thread audio([&] {
    std::vector<float> block(2 * 256);
    while (!done.load()) {
      engine.renderOffline(block.data(), 256);
      out.insert(out.end(), block.begin(), block.end());
      renderedFrames.store(out.size() / 2);
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = "waveaudio";
  open.lpstrElementName = path.c_str();
  open.lpstrAlias = "0";
  ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &open), 0u);
  MCI_PLAY_PARMS play{};
  EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_PLAY, MCI_WAIT, &play), 0u);
  const std::size_t playedUpTo = renderedFrames.load();
  MCI_GENERIC_PARMS generic{};
  EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, &generic), 0u);
  done = true;
  audio.join();
  std::vector<float> left;
  for (std::size_t i = 0; i < playedUpTo; ++i) left.push_back(out[2 * i]);
  const long onset = test::onsetOf(left, 0.01f);
  ASSERT_GE(onset, 0);
  EXPECT_GE(playedUpTo - static_cast<std::size_t>(onset), 14000u);  // the whole 0.3 s went out
  EXPECT_NEAR(test::pitchOf(std::vector<float>(left.begin() + onset, left.begin() + onset + 8000), 48000), 660.0, 5.0);
  // An empty file (the target of a recording that has just begun) fails to open, silently.
  const std::string empty = (dir / "empty.wav").string();
  std::ofstream(empty).close();
  open.lpstrElementName = empty.c_str();
  EXPECT_NE(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT, &open), 0u);
}

TEST_F(WaveRecorderDevice, AWriteErrorMidTakeFailsTheNextCheckAndKeepsAReadableTake) {
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("set recsound bitspersample 16 channels 2 samplespersec 48000"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  // A file-size limit fails the writes the way a full disk does, about a second into the take.
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 200001;  // not a whole frame
  ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  engine.sendShortMessage(0x7F4590);
  MCIERROR check = 0;
  for (int i = 0; i < 600 && check == 0; ++i) {
    render(0.05);
    char reply[255];
    check = mciSendStringA("status recsound length", reply, sizeof reply, 0);
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(check, MCIERR_HARDWARE);
  EXPECT_NE(errorText(check).find("too large"), std::string::npos) << errorText(check);

  const MCIERROR saved = run("save recsound " + (dir / "target.wav").string());
  EXPECT_EQ(saved, MCIERR_FILE_NOT_SAVED);
  const std::string kept = keptPath(errorText(saved));
  ASSERT_FALSE(kept.empty()) << errorText(saved);
  expectWholeReadableTake(kept, 16);
  EXPECT_GT(readWave(kept).info.frames, 40000);
  EXPECT_EQ(run("close recsound"), 0u);
}

TEST_F(WaveRecorderDevice, ATakeThatCannotBeMovedIsNeverDeleted) {
  // Every dated name of the next seconds is taken, and the target's folder does not exist.
  const fs::path folder = dir / "data" / "tonalix-studio" / "recordings";
  fs::create_directories(folder);
  for (std::time_t t = std::time(nullptr); t <= std::time(nullptr) + 2; ++t) {
    std::tm local{};
    ::localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &local);
    for (int n = 1; n < 1000; ++n)
      std::ofstream(folder / (std::string("Recording ") + stamp + (n > 1 ? " (" + std::to_string(n) + ")" : "") + ".wav"));
  }
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  engine.sendShortMessage(0x7F4590);
  render(0.3);
  const MCIERROR saved = run("save recsound " + (dir / "no such folder" / "x.wav").string());
  EXPECT_EQ(saved, MCIERR_FILE_NOT_SAVED);
  const std::string kept = keptPath(errorText(saved));
  ASSERT_FALSE(kept.empty()) << errorText(saved);
  EXPECT_NE(fs::path(kept).filename().string()[0], '.') << "the name it is kept under is visible";
  EXPECT_EQ(run("close recsound"), 0u);
  ASSERT_TRUE(fs::exists(kept));
  expectWholeReadableTake(kept, 16);
}

TEST_F(WaveRecorderDevice, FramesDroppedWhileTheWriterStalledAreToldAtSave) {
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("set recsound bitspersample 16 channels 2 samplespersec 48000"), 0u);
  TakeWriter::holdAll(true);
  ASSERT_EQ(run("record recsound"), 0u);
  // Two seconds more than the ring holds arrive while the writer is held.
  const double seconds = TakeWriter::kRingSeconds + 2;
  render(seconds);
  TakeWriter::holdAll(false);
  const std::string path = (dir / "stalled.wav").string();
  const MCIERROR saved = run("save recsound " + path);
  const std::string text = errorText(saved);
  EXPECT_EQ(saved, MCIERR_HARDWARE);
  const std::size_t at = text.find("did not keep up: ");
  ASSERT_NE(at, std::string::npos) << text;
  const double rendered = std::floor(seconds * 48000 / 256) * 256 / 48000;
  EXPECT_NEAR(std::stod(text.substr(at + 17)), rendered - TakeWriter::kRingSeconds, 0.05) << text;
  EXPECT_NE(text.find(path), std::string::npos) << text;
  EXPECT_EQ(readWave(path).info.frames, static_cast<sf_count_t>(TakeWriter::kRingSeconds * 48000));
  EXPECT_EQ(run("close recsound"), 0u);
}

TEST_F(WaveRecorderDevice, ATakeLeftByAKilledProcessIsRecoveredAtTheNextStart) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The recording runs in a forked copy of this threaded process; a sanitizer's allocator can
  // be left locked by a thread that the copy does not have. The plain build runs this path.
  GTEST_SKIP() << "a forked copy of a threaded process can deadlock under a sanitizer";
#endif
  const fs::path folder = dir / "data" / "tonalix-studio" / "recordings";
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Records until the header, brought up to date while it runs, says a second or more is
    // there, then goes on until killed (or gives up, which fails the test).
    ::close(ready[0]);
    if (run("open new Type waveaudio Alias recsound") || run("record recsound")) ::_exit(1);
    engine.sendShortMessage(0x7F4590);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (bool told = false; std::chrono::steady_clock::now() < deadline;) {
      render(0.05);
      for (const auto& e : fs::directory_iterator(folder)) {
        const std::uint64_t declared = readWave(e.path().string()).dataChunkBytes;
        if (!told && declared >= 4 * 48000 && declared != 0xFFFFFFFF) told = ::write(ready[1], "!", 1) == 1;
      }
    }
    ::_exit(2);
  }
  ::close(ready[1]);
  char byte = 0;
  // Bounded: a copy that never gets going must fail the test, not hang it.
  pollfd waiting{ready[0], POLLIN, 0};
  const bool refreshed = ::poll(&waiting, 1, 90000) == 1 && ::read(ready[0], &byte, 1) == 1;
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ASSERT_TRUE(refreshed) << "the header of a take in progress is never brought up to date";

  const std::vector<std::string> found = RecoverUnsavedTakes();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(fs::path(found[0]).parent_path(), folder);
  EXPECT_EQ(fs::path(found[0]).filename().string().rfind("Recording ", 0), 0u);
  expectWholeReadableTake(found[0], 16);
  EXPECT_GT(readWave(found[0]).info.frames, 48000);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++files;
  EXPECT_EQ(files, 1u) << "the hidden work file is gone";
  EXPECT_TRUE(RecoverUnsavedTakes().empty());
}

TEST_F(WaveRecorderDevice, ASaveToAnotherFileSystemThatFailsLeavesTheOldFileWhole) {
  const fs::path other = fs::path("/dev/shm") / ("tonalix wave test " + std::to_string(::getpid()));
  struct stat here {}, there {};
  if (::stat(dir.c_str(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev)
    GTEST_SKIP() << "no second file system at /dev/shm";
  fs::create_directories(other);
  const std::string target = (other / "old take.wav").string();
  std::ofstream(target) << "the old take";
  ASSERT_EQ(run("open new Type waveaudio Alias recsound"), 0u);
  ASSERT_EQ(run("record recsound"), 0u);
  engine.sendShortMessage(0x7F4590);
  render(0.5);
  ASSERT_EQ(run("stop recsound"), 0u);
  // The copy fails partway, as on a stick that fills up.
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 50000;
  ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const MCIERROR saved = run("save recsound " + target);
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(saved, MCIERR_FILE_NOT_SAVED);
  std::ifstream in(target);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the old take");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(other)) ++files;
  EXPECT_EQ(files, 1u) << "no partial copy is left beside it";
  const std::string kept = keptPath(errorText(saved));
  ASSERT_FALSE(kept.empty()) << errorText(saved);
  expectWholeReadableTake(kept, 16);
  // Without the limit the same kind of save lands, synced, on the other file system.
  EXPECT_EQ(run("close recsound"), 0u);
  recordNote("set recsound bitspersample 16 channels 2 samplespersec 48000", target);
  EXPECT_GT(readWave(target).info.frames, 40000);
  fs::remove_all(other);
}

}  // namespace

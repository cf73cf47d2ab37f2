// Figures for the wave recorder on the built-in synthesizer: (1) the share of one core that
// recording adds beyond the synthesizer's own rendering, with the recorder's display polling
// the device as the window does; (2) memory after a long take (default ten minutes of audio,
// rendered faster than real time); (3) the longest writer stall a take survives without a drop
// and the ring's memory; (4) the cost of bringing a take's header up to date and syncing it.
// Usage: wave_recorder_bench [seconds-of-cpu-run] [take-seconds]
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sndfile.h>

#include "platform/audio/AudioEngine.h"
#include "platform/audio/TakeWriter.h"
#include "platform/mci/MciSystem.h"
#include "platform/midiout/MidiOut.h"
#include "tests/support/TestSoundFont.h"

using namespace tonalix::platform;
namespace fs = std::filesystem;

namespace {

double processCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long rssKiB() {
  std::ifstream f("/proc/self/status");
  std::string line;
  while (std::getline(f, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

MCIERROR run(const std::string& command) { return mciSendStringA(command.c_str(), nullptr, 0, 0); }

std::uint64_t lengthBytes() {
  char reply[255] = {};
  run("set recsound time format bytes");
  mciSendStringA("status recsound length", reply, sizeof reply, 0);
  return std::strtoull(reply, nullptr, 10);
}

// Renders `seconds` of audio with a chord restruck every second, `pace` times faster than real
// time (the writer drains far faster than that).
// Returns the frames rendered.
std::uint64_t renderPlaying(AudioEngine& engine, double seconds, double pace, bool poll) {
  std::vector<float> block(2 * 256);
  const auto start = std::chrono::steady_clock::now();
  const long blocks = static_cast<long>(seconds * 48000 / 256);
  for (long i = 0; i < blocks; ++i) {
    if (i % 187 == 0) {
      for (int note : {60, 64, 67}) engine.sendShortMessage(0x600090u | (unsigned(note) << 8));
    }
    engine.renderOffline(block.data(), 256);
    if (poll && i % 9 == 0) lengthBytes();  // the window's display refresh, about 20 a second
    const auto due = start + std::chrono::duration<double>((i + 1) * 256 / 48000.0 / pace);
    std::this_thread::sleep_until(due);
  }
  return static_cast<std::uint64_t>(blocks) * 256;
}

}  // namespace

int main(int argc, char** argv) {
  const double cpuSeconds = argc > 1 ? std::atof(argv[1]) : 10;
  const double takeSeconds = argc > 2 ? std::atof(argv[2]) : 600;
  const fs::path dir = fs::temp_directory_path() / ("tonalix-recorder-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);

  AudioEngine engine;
  AudioConfig config;
  config.output = AudioConfig::Output::Offline;
  config.soundFont = tonalix::testing::kSmallSoundFont;
  if (!engine.start(config)) {
    std::printf("no SoundFont: %s\n", engine.lastError().c_str());
    return 1;
  }
  setBuiltInSynth(&engine);

  // (1) The same real-time rendering without and with a take (44100 Hz: the rate converter runs).
  double t0 = processCpuSeconds();
  renderPlaying(engine, cpuSeconds, 1.0, false);
  const double synthOnly = (processCpuSeconds() - t0) / cpuSeconds;
  run("open new type waveaudio alias recsound");
  run("set recsound bitspersample 16 channels 2 samplespersec 44100");
  run("record recsound");
  t0 = processCpuSeconds();
  renderPlaying(engine, cpuSeconds, 1.0, true);
  const double withTake = (processCpuSeconds() - t0) / cpuSeconds;
  run("save recsound " + (dir / "cpu.wav").string());
  run("close recsound");
  std::printf("core share while playing: synthesizer %.2f%%, with a 44.1 kHz take %.2f%%, recording adds %.2f%%\n",
              100 * synthOnly, 100 * withTake, 100 * (withTake - synthOnly));

  // (2) A long take: memory stays flat because the sound goes to disk as it is made.
  run("open new type waveaudio alias recsound");
  run("set recsound bitspersample 16 channels 2 samplespersec 48000");
  run("record recsound");
  std::uint64_t rendered = renderPlaying(engine, 5, 20, false);
  const long before = rssKiB();
  rendered += renderPlaying(engine, takeSeconds - 5, 20, false);
  const long after = rssKiB();
  run("stop recsound");
  const std::uint64_t bytes = lengthBytes();
  const std::uint64_t expected = rendered * 4;
  run("save recsound " + (dir / "long.wav").string());
  run("close recsound");
  std::printf("%.0f s take: resident memory %ld KiB after 5 s, %ld KiB at the end (%+ld KiB); %.1f MiB recorded, "
              "%llu bytes short of the rendered audio\n",
              takeSeconds, before, after, after - before, bytes / 1048576.0,
              static_cast<unsigned long long>(expected > bytes ? expected - bytes : 0));

  // (3) The writer held as a disk that stops answering: the longest stall with nothing lost.
  double survived = 0;
  for (double stall = TakeWriter::kRingSeconds - 4; stall <= TakeWriter::kRingSeconds + 2; stall += 1) {
    run("open new type waveaudio alias recsound");
    run("set recsound bitspersample 16 channels 2 samplespersec 48000");
    TakeWriter::holdAll(true);
    run("record recsound");
    renderPlaying(engine, stall, 50, false);
    TakeWriter::holdAll(false);
    const MCIERROR saved = run("save recsound " + (dir / "stall.wav").string());
    run("close recsound");
    if (saved == 0) survived = stall;
  }
  std::printf("longest writer stall survived without a drop: %.0f s (of %.0f s tried up to); ring at 48 kHz: %.1f MiB\n",
              survived, TakeWriter::kRingSeconds + 2, TakeWriter::kRingSeconds * 48000 * 2 * sizeof(float) / 1048576.0);

  // (4) One header refresh (header rewrite and data sync) per two seconds of 48 kHz 16-bit audio.
  {
    const std::string path = (dir / "refresh.wav").string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_RF64 | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    sf_command(f, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    std::vector<float> twoSeconds(2 * 96000, 0.1f);
    double cpu = 0, wall = 0;
    const int rounds = 30;
    for (int i = 0; i < rounds; ++i) {
      sf_writef_float(f, twoSeconds.data(), 96000);
      timespec c0{}, c1{};
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
      const auto w0 = std::chrono::steady_clock::now();
      sf_command(f, SFC_UPDATE_HEADER_NOW, nullptr, 0);
      ::fdatasync(fd);
      wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
      cpu += double(c1.tv_sec - c0.tv_sec) + double(c1.tv_nsec - c0.tv_nsec) / 1e9;
    }
    sf_close(f);
    const double period = TakeWriter::kRefreshMillis / 1000.0;
    std::printf("header refresh every %.0f s: %.4f%% of a core (CPU), writer thread busy %.3f%% of the time (wall, "
                "mostly waiting on the disk)\n",
                period, 100 * cpu / rounds / period, 100 * wall / rounds / period);
  }
  setBuiltInSynth(nullptr);
  fs::remove_all(dir);
  return 0;
}

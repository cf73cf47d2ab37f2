#include "platform/audio/TakeWriter.h"

#include "platform/audio/PlainWaveHeader.h"

#include <sndfile.h>
#include <soxr.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

namespace tonalix::platform {

struct TakeWriter::Impl {
  SNDFILE* file = nullptr;
  int fd = -1;  // owned by `file`
  soxr_t resampler = nullptr;
  std::vector<float> in, out, mono;
  std::chrono::steady_clock::time_point refreshed;
  std::uint64_t refreshedFrames = 0;

  ~Impl() {
    if (resampler) soxr_delete(resampler);
    if (file) sf_close(file);
  }
};

TakeWriter::TakeWriter() = default;
TakeWriter::~TakeWriter() { finish(); }

std::string TakeWriter::begin(const WaveFormat& format, int inputRate, const std::string& path) {
  finish();
  if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return "Only 8-bit and 16-bit samples can be recorded.";
  if (format.channels != 1 && format.channels != 2) return "Only mono and stereo can be recorded.";
  if (format.sampleRate < 8000 || format.sampleRate > 192000 || inputRate < 8000 || inputRate > 192000)
    return "The sample rate must lie between 8000 and 192000 Hz.";
  format_ = format;
  path_ = path;
  framesWritten_.store(0);
  failed_.store(false);
  error_.clear();
  auto impl = std::make_unique<Impl>();

  SF_INFO info{};
  info.samplerate = format.sampleRate;
  info.channels = format.channels;
  info.format = SF_FORMAT_RF64 | (format.bitsPerSample == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_U8);
  // Opened here rather than by libsndfile so the data can be synced while the take runs.
  impl->fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (impl->fd < 0) return std::string("The recording file cannot be created: ") + std::strerror(errno);
  impl->file = sf_open_fd(impl->fd, SFM_WRITE, &info, SF_TRUE);
  if (!impl->file) {
    ::close(impl->fd);
    return std::string("The recording file cannot be created: ") + sf_strerror(nullptr);
  }
  // Plain WAV unless the take outgrows 4 GiB; clip rather than wrap loud samples.
  sf_command(impl->file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  sf_command(impl->file, SFC_SET_CLIPPING, nullptr, SF_TRUE);

  if (inputRate != format.sampleRate) {
    soxr_error_t e = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
    impl->resampler = soxr_create(inputRate, format.sampleRate, 2, &e, &io, &q, nullptr);
    if (!impl->resampler || e) return "The sample-rate converter could not be set up.";
  }
  const std::size_t chunk = static_cast<std::size_t>(inputRate) / 10 + 64;
  impl->in.resize(2 * chunk);
  impl->out.resize(2 * (chunk * static_cast<std::size_t>(format.sampleRate) / static_cast<std::size_t>(inputRate) + 256));
  impl->mono.resize(impl->out.size() / 2);
  ring_ = std::make_unique<FrameRing>(static_cast<std::size_t>(kRingSeconds * inputRate));
  impl->refreshed = std::chrono::steady_clock::now();
  impl_ = std::move(impl);
  stop_ = false;
  thread_ = std::thread([this] { run(); });
  return {};
}

void TakeWriter::run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    // The producer never signals (it may be the audio callback): a timed wait bounds latency
    // and keeps the thread asleep between passes.
    wake_.wait_for(lock, std::chrono::milliseconds(kPassMillis), [this] { return stop_; });
    if (stop_ || held_.load(std::memory_order_acquire)) continue;
    lock.unlock();
    drain(false);
    if (std::chrono::steady_clock::now() - impl_->refreshed >= std::chrono::milliseconds(kRefreshMillis)) refreshHeader();
    lock.lock();
  }
}

std::string TakeWriter::error() const {
  std::lock_guard lock(errorMutex_);
  return error_;
}

void TakeWriter::fail(const std::string& error) {
  {
    std::lock_guard lock(errorMutex_);
    if (failed_.load(std::memory_order_relaxed)) return;
    error_ = error;
  }
  failed_.store(true, std::memory_order_release);
}

void TakeWriter::refreshHeader() {
  Impl& d = *impl_;
  d.refreshed = std::chrono::steady_clock::now();
  const std::uint64_t frames = framesWritten_.load(std::memory_order_relaxed);
  if (frames == d.refreshedFrames || failed()) return;
  d.refreshedFrames = frames;
  // The header first, then the data and header together to the disk.
  sf_command(d.file, SFC_UPDATE_HEADER_NOW, nullptr, 0);
  // A file system that cannot sync (EINVAL) still keeps the data; a failing disk does not.
  if (::fdatasync(d.fd) != 0 && errno != EINVAL && errno != EROFS)
    fail(std::string("Writing the recording failed: ") + std::strerror(errno));
}

void TakeWriter::drain(bool flush) {
  Impl& d = *impl_;
  auto write = [&](const float* stereo, std::size_t frames) {
    if (frames == 0 || failed()) return;
    const float* data = stereo;
    if (format_.channels == 1) {
      if (d.mono.size() < frames) d.mono.resize(frames);
      for (std::size_t i = 0; i < frames; ++i) d.mono[i] = 0.5f * (stereo[2 * i] + stereo[2 * i + 1]);
      data = d.mono.data();
    }
    errno = 0;
    const sf_count_t done = sf_writef_float(d.file, data, static_cast<sf_count_t>(frames));
    if (done > 0) framesWritten_.fetch_add(static_cast<std::uint64_t>(done), std::memory_order_release);
    if (done != static_cast<sf_count_t>(frames)) {
      const int e = errno;
      fail(std::string("Writing the recording failed: ") + (e ? std::strerror(e) : sf_strerror(d.file)));
    }
  };
  const std::size_t chunk = d.in.size() / 2;
  for (;;) {
    const std::size_t n = ring_->pop(d.in.data(), chunk);
    if (n == 0) break;
    if (!d.resampler) {
      write(d.in.data(), n);
      continue;
    }
    std::size_t produced = 0;
    soxr_process(d.resampler, d.in.data(), n, nullptr, d.out.data(), d.out.size() / 2, &produced);
    write(d.out.data(), produced);
  }
  if (flush && d.resampler) {
    // The converter holds back a little input for its filter: end of input releases it.
    for (;;) {
      std::size_t produced = 0;
      soxr_process(d.resampler, nullptr, 0, nullptr, d.out.data(), d.out.size() / 2, &produced);
      if (produced == 0) break;
      write(d.out.data(), produced);
    }
  }
}

std::string TakeWriter::finish() {
  if (!impl_) return {};
  if (thread_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  drain(true);
  if (impl_->file) {
    const int rc = sf_close(impl_->file);
    impl_->file = nullptr;
    if (rc != 0) fail(std::string("Closing the recording failed: ") + sf_error_number(rc));
    if (!failed() && !MakePlainPcmHeader(path_)) fail("Finishing the recording's header failed.");
    // After a failed write the file may end in a part of a frame and its header may not
    // match: it is cut back to the frames counted as written, so what was kept plays.
    if (failed()) FitWaveData(path_, framesWritten() * static_cast<std::uint64_t>(format_.blockAlign()));
  }
  impl_.reset();
  return error();
}

}  // namespace tonalix::platform

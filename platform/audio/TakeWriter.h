// Writes a recording as it is made: frames arrive in a lock-free ring (from the audio callback
// or a capture stream), a thread of its own drains it every few milliseconds, converts the
// rate with libsoxr when needed and appends to a WAV file on disk, so a long take costs no more
// memory than a short one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio/FrameRing.h"

namespace tonalix::platform {

struct WaveFormat {
  int bitsPerSample = 16;  // 16 (signed) or 8 (unsigned)
  int channels = 2;        // 1 or 2
  int sampleRate = 44100;
  int blockAlign() const { return channels * bitsPerSample / 8; }
  int bytesPerSecond() const { return sampleRate * blockAlign(); }
};

class TakeWriter {
 public:
  // Room for this much input before frames are dropped: the writer thread wakes far more often,
  // but a USB stick, a network home or heavy I/O beside us can stall a write for many seconds.
  static constexpr double kRingSeconds = 32.0;
  static constexpr int kPassMillis = 10;
  // How often the file's header is brought up to date and its data synced, so a take cut off
  // by a crash or a power loss is a readable file of nearly all that was recorded.
  static constexpr int kRefreshMillis = 2000;

  TakeWriter();
  ~TakeWriter();
  TakeWriter(const TakeWriter&) = delete;
  TakeWriter& operator=(const TakeWriter&) = delete;

  // Creates the file at `path` (RF64 that downgrades itself to a plain WAV file under 4 GiB)
  // and starts the thread. inputRate is the rate the frames arrive at. Returns an empty string,
  // or what went wrong.
  std::string begin(const WaveFormat& format, int inputRate, const std::string& path);
  // Where the producer puts interleaved stereo frames at the input rate; valid after begin.
  FrameRing& ring() { return *ring_; }
  // Drains what is left, flushes the converter and closes the file. Returns an empty string,
  // or the first write error met during the take.
  std::string finish();
  bool running() const { return thread_.joinable(); }
  // True once a write has failed (a full disk, a quota, a file-size limit): no more frames are
  // written, and what was written stays a readable take. The error says why.
  bool failed() const { return failed_.load(std::memory_order_acquire); }
  std::string error() const;
  // Frames that arrived while the ring was full because the writer fell behind.
  std::uint64_t framesDropped() const { return ring_ ? ring_->dropped() : 0; }

  // Holds every writer thread where it is, as a disk that stops answering would; for measuring
  // and testing how long a stall a take survives.
  static void holdAll(bool held) { held_.store(held, std::memory_order_release); }

  // Bytes of sample data in the file's format so far: what its data chunk will hold.
  std::uint64_t dataBytes() const { return framesWritten_.load(std::memory_order_acquire) * format_.blockAlign(); }
  std::uint64_t framesWritten() const { return framesWritten_.load(std::memory_order_acquire); }

 private:
  struct Impl;
  void run();
  void drain(bool flush);
  void fail(const std::string& error);
  void refreshHeader();

  WaveFormat format_;
  std::string path_;
  std::unique_ptr<FrameRing> ring_;
  std::unique_ptr<Impl> impl_;
  std::atomic<std::uint64_t> framesWritten_{0};
  std::atomic<bool> failed_{false};
  mutable std::mutex errorMutex_;
  std::string error_;
  inline static std::atomic<bool> held_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace tonalix::platform

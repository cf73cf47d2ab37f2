// A single-producer, single-consumer ring of interleaved stereo float frames. Neither side
// ever blocks or allocates after construction, so one side may be the audio callback.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tonalix::platform {

class FrameRing {
 public:
  explicit FrameRing(std::size_t capacityFrames)
      : capacity_(std::max<std::size_t>(capacityFrames, 16)), data_(new float[2 * capacity_]) {}
  FrameRing(const FrameRing&) = delete;
  FrameRing& operator=(const FrameRing&) = delete;

  std::size_t capacity() const { return capacity_; }
  std::size_t available() const {
    return static_cast<std::size_t>(head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_acquire));
  }
  // Frames the producer could not place because the consumer fell behind.
  std::uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }

  // Producer: planar channels in. Returns the frames stored; the rest is counted as dropped.
  std::size_t push(const float* left, const float* right, std::size_t frames) noexcept {
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    const std::size_t room = capacity_ - static_cast<std::size_t>(head - tail_.load(std::memory_order_acquire));
    const std::size_t n = std::min(room, frames);
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t at = static_cast<std::size_t>((head + i) % capacity_);
      data_[2 * at] = left[i];
      data_[2 * at + 1] = right[i];
    }
    head_.store(head + n, std::memory_order_release);
    if (n < frames) dropped_.fetch_add(frames - n, std::memory_order_relaxed);
    return n;
  }
  // Producer: interleaved frames in; the rest is counted as dropped, as with push.
  std::size_t pushInterleaved(const float* stereo, std::size_t frames) noexcept {
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    const std::size_t room = capacity_ - static_cast<std::size_t>(head - tail_.load(std::memory_order_acquire));
    const std::size_t n = std::min(room, frames);
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t at = static_cast<std::size_t>((head + i) % capacity_);
      data_[2 * at] = stereo[2 * i];
      data_[2 * at + 1] = stereo[2 * i + 1];
    }
    head_.store(head + n, std::memory_order_release);
    if (n < frames) dropped_.fetch_add(frames - n, std::memory_order_relaxed);
    return n;
  }
  // Consumer: up to maxFrames interleaved frames out; returns how many.
  std::size_t pop(float* stereo, std::size_t maxFrames) noexcept {
    const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t n = std::min(maxFrames, static_cast<std::size_t>(head_.load(std::memory_order_acquire) - tail));
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t at = static_cast<std::size_t>((tail + i) % capacity_);
      stereo[2 * i] = data_[2 * at];
      stereo[2 * i + 1] = data_[2 * at + 1];
    }
    tail_.store(tail + n, std::memory_order_release);
    return n;
  }
  // Consumer: adds up to `frames` frames into planar channels; returns how many were there.
  std::size_t popAdding(float* left, float* right, std::size_t frames) noexcept {
    const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t n = std::min(frames, static_cast<std::size_t>(head_.load(std::memory_order_acquire) - tail));
    for (std::size_t i = 0; i < n; ++i) {
      const std::size_t at = static_cast<std::size_t>((tail + i) % capacity_);
      left[i] += data_[2 * at];
      right[i] += data_[2 * at + 1];
    }
    tail_.store(tail + n, std::memory_order_release);
    return n;
  }

 private:
  const std::size_t capacity_;
  std::unique_ptr<float[]> data_;
  alignas(64) std::atomic<std::uint64_t> head_{0};  // frames ever pushed
  alignas(64) std::atomic<std::uint64_t> tail_{0};  // frames ever popped
  std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace tonalix::platform

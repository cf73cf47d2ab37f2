#include "platform/audio/WavePlayback.h"

#include <sndfile.h>
#include <soxr.h>

#include <chrono>
#include <vector>

#include "platform/audio/AudioEngine.h"

namespace tonalix::platform {

WavePlayback::~WavePlayback() { stop(); }

std::string WavePlayback::open(const std::string& path) {
  stop();
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return std::string("The sound file cannot be read: ") + sf_strerror(nullptr);
  sf_close(f);
  if (info.channels < 1 || info.samplerate < 1000) return "The sound file holds no playable sound.";
  path_ = path;
  frames_ = static_cast<long long>(info.frames);
  rate_ = info.samplerate;
  return {};
}

std::string WavePlayback::play(AudioEngine& engine) {
  stop();
  if (path_.empty()) return "No sound file is open.";
  ring_ = std::make_unique<FrameRing>(static_cast<std::size_t>(kRingSeconds * engine.sampleRate()));
  stop_.store(false);
  fed_.store(false);
  engine_ = &engine;
  if (!engine.attachSource(this)) {
    engine_ = nullptr;
    fed_.store(true);
    return "Too many sounds are playing at once.";
  }
  feeder_ = std::thread([this, rate = engine.sampleRate()] { feed(rate); });
  return {};
}

void WavePlayback::feed(int engineRate) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path_.c_str(), SFM_READ, &info);
  if (!f) {
    fed_.store(true);
    return;
  }
  soxr_t resampler = nullptr;
  if (info.samplerate != engineRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t q = soxr_quality_spec(SOXR_HQ, 0);
    resampler = soxr_create(info.samplerate, engineRate, 2, nullptr, &io, &q, nullptr);
  }
  const std::size_t chunk = 2048;
  const auto channels = static_cast<std::size_t>(info.channels);
  std::vector<float> raw(chunk * channels), stereo(2 * chunk);
  std::vector<float> out(2 * (chunk * static_cast<std::size_t>(engineRate) / static_cast<std::size_t>(info.samplerate) + 256));
  // Pushes everything, waiting for room: the ring is the only buffer, so a long file costs no
  // more memory than a short one.
  auto push = [&](const float* data, std::size_t frames) {
    while (frames > 0 && !stop_.load()) {
      const std::size_t n = ring_->pushInterleaved(data, frames);
      data += 2 * n;
      frames -= n;
      if (frames > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  };
  bool more = true;
  while (more && !stop_.load()) {
    const sf_count_t got = sf_readf_float(f, raw.data(), static_cast<sf_count_t>(chunk));
    const auto n = static_cast<std::size_t>(got > 0 ? got : 0);
    for (std::size_t i = 0; i < n; ++i) {
      stereo[2 * i] = raw[i * channels];
      stereo[2 * i + 1] = raw[i * channels + (channels > 1 ? 1 : 0)];
    }
    more = n == chunk;
    if (!resampler) {
      push(stereo.data(), n);
      continue;
    }
    std::size_t produced = 0;
    soxr_process(resampler, n ? stereo.data() : nullptr, n, nullptr, out.data(), out.size() / 2, &produced);
    push(out.data(), produced);
    while (!more && !stop_.load()) {
      soxr_process(resampler, nullptr, 0, nullptr, out.data(), out.size() / 2, &produced);
      if (produced == 0) break;
      push(out.data(), produced);
    }
  }
  if (resampler) soxr_delete(resampler);
  sf_close(f);
  fed_.store(true);
}

bool WavePlayback::finished() const {
  return fed_.load() && (!ring_ || ring_->available() == 0);
}

void WavePlayback::stop() {
  stop_.store(true);
  if (feeder_.joinable()) feeder_.join();
  if (engine_) engine_->detachSource(this);
  engine_ = nullptr;
  fed_.store(true);
}

void WavePlayback::mixInto(float* left, float* right, int frames) noexcept {
  if (ring_ && frames > 0) ring_->popAdding(left, right, static_cast<std::size_t>(frames));
}

}  // namespace tonalix::platform

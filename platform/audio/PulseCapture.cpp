#include "platform/audio/PulseCapture.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <vector>

#include "platform/system/ProgramName.h"

namespace tonalix::platform {

std::string PulseCapture::start(FrameRing& ring) {
  stop();
  pa_sample_spec spec{};
  spec.format = PA_SAMPLE_FLOAT32LE;
  spec.rate = static_cast<std::uint32_t>(rate_);
  spec.channels = 2;
  // Small fragments: each read returns within about 10 ms, so a stop is noticed quickly.
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.fragsize = static_cast<std::uint32_t>(rate_ / 100 * 8);
  int error = 0;
  const char* device = (source_.empty() || source_ == "default") ? nullptr : source_.c_str();
  pa_simple* s = pa_simple_new(nullptr, kProgramName, PA_STREAM_RECORD, device, "Recording", &spec,
                               nullptr, &attr, &error);
  if (!s) return "The sound input \"" + (device ? source_ : std::string("default")) +
                 "\" cannot be opened: " + pa_strerror(error) + ".";
  stream_ = s;
  stop_.store(false);
  lost_.store(false);
  lostReason_.clear();
  thread_ = std::thread([this, s, &ring] {
    std::vector<float> buffer(static_cast<std::size_t>(rate_ / 100) * 2);
    while (!stop_.load(std::memory_order_relaxed)) {
      int e = 0;
      if (pa_simple_read(s, buffer.data(), buffer.size() * sizeof(float), &e) < 0) {
        lostReason_ = "The sound input \"" + (source_.empty() ? std::string("default") : source_) +
                      "\" was lost: " + pa_strerror(e) + ".";
        lost_.store(true, std::memory_order_release);
        break;
      }
      ring.pushInterleaved(buffer.data(), buffer.size() / 2);
    }
  });
  return {};
}

std::string PulseCapture::lost() const { return lost_.load(std::memory_order_acquire) ? lostReason_ : std::string(); }

void PulseCapture::stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  if (stream_) pa_simple_free(static_cast<pa_simple*>(stream_));
  stream_ = nullptr;
}

}  // namespace tonalix::platform

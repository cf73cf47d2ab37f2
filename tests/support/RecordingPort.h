// A MIDI output port of the test's own that records every short message sent to it, so tests
// see exactly what the program plays. Install it, point the window's MIDI state at it, play.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/midiout/MidiOutDevice.h"

namespace tonalix::testing {

class RecordingPort {
 public:
  explicit RecordingPort(std::string name = "Test Recorder") : name_(std::move(name)) {
    auto log = log_;
    deviceId_ = platform::midiOutAddPort(name_, [log] {
      return std::make_unique<Device>(log);
    });
  }
  ~RecordingPort() { platform::midiOutRemovePort(name_); }
  RecordingPort(const RecordingPort&) = delete;
  RecordingPort& operator=(const RecordingPort&) = delete;

  std::uint32_t deviceId() const { return deviceId_; }

  std::vector<std::uint32_t> messages() const {
    std::lock_guard lock(log_->mutex);
    return log_->messages;
  }
  std::vector<std::uint32_t> take() {
    std::lock_guard lock(log_->mutex);
    return std::exchange(log_->messages, {});
  }
  int opens() const {
    std::lock_guard lock(log_->mutex);
    return log_->opens;
  }
  int closes() const {
    std::lock_guard lock(log_->mutex);
    return log_->closes;
  }

 private:
  struct Log {
    mutable std::mutex mutex;
    std::vector<std::uint32_t> messages;
    int opens = 0;
    int closes = 0;
  };
  class Device : public platform::MidiOutDevice {
   public:
    explicit Device(std::shared_ptr<Log> log) : log_(std::move(log)) {
      std::lock_guard lock(log_->mutex);
      ++log_->opens;
    }
    platform::MMRESULT send(std::uint32_t message) override {
      std::lock_guard lock(log_->mutex);
      log_->messages.push_back(message);
      return platform::MMSYSERR_NOERROR;
    }
    void close() override {
      std::lock_guard lock(log_->mutex);
      ++log_->closes;
    }

   private:
    std::shared_ptr<Log> log_;
  };

  std::string name_;
  std::shared_ptr<Log> log_ = std::make_shared<Log>();
  std::uint32_t deviceId_ = 0;
};

}  // namespace tonalix::testing

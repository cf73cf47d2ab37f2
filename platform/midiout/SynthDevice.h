// An open handle on the built-in synthesizer (device 0). Each handle remembers the notes it
// started so that closing it silences exactly those, as resetting a hardware device would.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "platform/midiout/MidiOutDevice.h"

namespace tonalix::platform {

class SynthDevice final : public MidiOutDevice {
 public:
  static constexpr const char* kProductName = "Tonalix Synthesizer";

  explicit SynthDevice(AudioEngine& engine) : engine_(engine) {}
  MMRESULT send(std::uint32_t message) override;
  void close() override;
  AudioEngine* engine() const override { return &engine_; }

 private:
  void track(std::uint32_t message);

  AudioEngine& engine_;
  // One bit per channel and note still held by this handle (16 x 128 bits), updated lock-free
  // because the UI thread and the sequencer thread may share a handle.
  std::array<std::atomic<std::uint64_t>, 32> held_{};
  std::atomic<std::uint32_t> usedChannels_{0};
};

}  // namespace tonalix::platform

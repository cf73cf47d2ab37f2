// Keeps the engine's clock running when its output dies or stalls: a JACK or ALSA driver whose
// server quit, a sound-server sink that stays connected but stops asking for data. Without it
// the queue fills, a song never ends and the recorder records nothing. It owns the live output:
// when that should be playing (see AudioOutput::Pace) but has not asked for audio for about half
// a second, a null output renders in its place (silently, in real time), the user is told once,
// and the live output is reopened from this watchdog's own thread, with growing pauses between
// tries.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/audio/AudioOutput.h"

namespace tonalix::platform {

class OutputWatchdog {
 public:
  // Opens a live output rendering from the given source; nullptr when none opens. It is called
  // again, from the watchdog's thread, for every reopening.
  using Opener = std::function<std::unique_ptr<AudioOutput>(RenderSource&)>;
  // Receives the line for the user: what went wrong, or empty once sound is back.
  using Notify = std::function<void(std::string)>;

  OutputWatchdog(RenderSource& engine, int sampleRate, int periodFrames, Opener open, Notify notify);
  ~OutputWatchdog();  // stops the watchdog, then the outputs
  OutputWatchdog(const OutputWatchdog&) = delete;
  OutputWatchdog& operator=(const OutputWatchdog&) = delete;

  // Opens the live output and starts watching it; false, with nothing running, when none opens.
  bool start();
  // The live output's name (it may change on a reopening, e.g. from "jack" to "pulseaudio").
  std::string name() const;
  // True while the null output stands in.
  bool standingIn() const { return active_.load() == &fallbackSlot_; }

  // How long a steady output may go without asking before the stand-in takes over, and how
  // long one whose device was just told to play may take to begin (a suspended sink waking, a
  // Bluetooth headset connecting its audio link). An output resting on purpose is not judged.
  static constexpr std::chrono::milliseconds kStallAfter{500};
  static constexpr std::chrono::milliseconds kStartUpAllowance{3000};

 private:
  // The engine as one output sees it. Only the active slot renders; the other gets silence,
  // so an output that comes back while the stand-in runs never renders alongside it.
  class Slot final : public RenderSource {
   public:
    explicit Slot(OutputWatchdog& owner) : owner_(owner) {}
    void render(float* left, float* right, int frames) noexcept override;
    bool idle() const noexcept override;
    OutputWake* wake() noexcept override;
    std::atomic<std::uint64_t> calls{0};

   private:
    OutputWatchdog& owner_;
  };

  void run();
  bool reopen();

  RenderSource& engine_;
  const int rate_, period_;
  Opener open_;
  Notify notify_;
  Slot liveSlot_{*this}, fallbackSlot_{*this};
  std::atomic<Slot*> active_{&liveSlot_};
  std::atomic<bool> rendering_{false};  // whichever slot renders holds it

  mutable std::mutex mutex_;  // guards the outputs and the name against name() and the thread
  std::unique_ptr<AudioOutput> live_, fallback_;
  std::string name_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tonalix::platform

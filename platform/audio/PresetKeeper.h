// Keeps every instrument the synthesizer may select loaded before it is selected, so the audio
// thread never reads the SoundFont: a program change is resolved to its preset on the sending
// thread, whose samples a second, silent synthesizer sharing the same SoundFont loads and holds;
// they are let go only once no channel has them and nothing sounds.
//
// FluidSynth's own fluid_synth_pin_preset() would load and keep a preset's samples on the calling
// thread, but only on the synthesizer that plays, whose API we run without its lock (only the
// audio thread touches it): pinning there from a sender would race the audio thread, and with
// the lock on, every call from the audio thread would take it. It also does nothing
// about the preset a program change resolves to (bank selects, drum channels, the fallbacks for
// a missing preset): that still happens inside the synthesizer, on the audio thread. Nor does it
// let go of what no channel uses any more. So the keeper resolves on the sender and holds by
// selecting on a silent synthesizer, which FluidSynth counts like any other use.
#pragma once

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/PresetUse.h"
#include "platform/midi/ShortMessage.h"

namespace tonalix::platform {

class PresetKeeper {
 public:
  // What a program change selects: bank and number of an existing preset.
  struct Choice {
    bool exact = false;  // false: nothing could be held; apply the plain program change
    int bank = 0;
    int program = 0;
  };

  PresetKeeper() = default;
  ~PresetKeeper() { stop(); }
  PresetKeeper(const PresetKeeper&) = delete;
  PresetKeeper& operator=(const PresetKeeper&) = delete;

  // After `synth` has loaded `path` with on-demand samples and before its audio starts. False
  // (and the keeper stays off) when the second synthesizer cannot be made.
  bool start(fluid_synth_t* synth, const std::string& path);
  // Once the audio thread has stopped, before `synth` is deleted.
  void stop();
  int soundFontId() const { return sfontId_; }

  // --- Senders (any thread but the audio thread; may wait while samples load) ---

  // Program changes, bank selects and resets pass through here in the order they are sent.
  // `push(choice)` hands the event to the audio thread and says whether it was taken.
  // Until adopt() has run they pass unresolved.
  template <typename Push>
  bool send(std::uint32_t message, Push push) {
    std::lock_guard lock(mutex_);
    const Choice choice = ready_ ? admit(message) : Choice{};
    if (!push(choice)) return false;
    if (isSelection(message)) {
      ++sent_;
      poke();
    }
    return true;
  }
  // Once, after start() and before the audio thread runs: `drain(admit)` takes what was sent
  // before the keeper was ready, in order, passing each message that passesThrough() to
  // `admit`, which returns its choice; messages sent from then on are resolved as sent.
  template <typename Drain>
  void adopt(Drain drain) {
    std::lock_guard lock(mutex_);
    ready_ = shadow_ != nullptr;
    drain([this](std::uint32_t message) { return ready_ ? admit(message) : Choice{}; });
  }
  // After a restart has dropped what the previous run left in the queue.
  void forgetSent() {
    std::lock_guard lock(mutex_);
    sent_ = 0;
    use_.reset(0);
  }
  // Loads and keeps what these messages (a song's bank selects and program changes) will
  // select, until release(). One instrument loads at a time, so a sender waits for one, not
  // the whole list.
  void prepare(const std::vector<std::uint32_t>& messages);
  void release();
  // As prepare(), from the reset bank selection, but kept for as long as the keeper runs:
  // choices known ahead of time (the built-in songs') then cost nothing when they are made.
  // Once `cancel` is set no more are loaded.
  void keep(const std::vector<std::uint32_t>& messages, const std::atomic<bool>* cancel = nullptr);
  // Lets go of what is no longer needed now rather than at the next look.
  void collect();

  // --- Audio thread (never waits, never allocates) ---

  // Around every preset selection on the audio thread: false while a sender changes what is
  // held (the two share the SoundFont's sample counts); the selection then waits a block.
  bool tryEnter() noexcept { return !gate_.test_and_set(std::memory_order_acquire); }
  void leave() noexcept { gate_.clear(std::memory_order_release); }
  // What the audio thread selects, retires (applies or drops) and sounds.
  PresetUse& use() noexcept { return use_; }

  static bool isSelection(std::uint32_t message) { return ShortMessage::unpack(message).isSelection(); }
  static bool passesThrough(std::uint32_t message) {
    const ShortMessage m = ShortMessage::unpack(message);
    return m.isSelection() || (m.kind() == ShortMessage::kControlChange &&
                               (m.data1 == ShortMessage::kBankSelect || m.data1 == ShortMessage::kBankSelectLsb));
  }
  static int keyOf(int bank, int program) { return (bank << 7) | program; }

  // Figures for tests and benches.
  int heldCount() const;
  bool holds(int bank, int program) const;

 private:
  static constexpr int kChannels = 256;    // the silent synthesizer's: one holds one preset
  static constexpr int kKeepRecent = 2;    // let go of unused presets, all but the latest few

  struct Hold {
    int key = -1;            // -1: the channel holds nothing
    std::uint64_t used = 0;  // when last asked for
    bool pinned = false;     // prepared for a song (channels 0-15 hold what a reset selects, for good)
    bool kept = false;       // kept ahead, for good
  };
  struct Banks {
    std::array<int, 16> msb{};
    std::array<bool, 16> drums{};
    void reset() {
      msb.fill(0);
      drums.fill(false);
      drums[9] = true;
    }
  };

  Choice admit(std::uint32_t message);               // with mutex_
  static void track(Banks& banks, std::uint32_t message);
  fluid_preset_t* resolve(const Banks& banks, int channel, int program) const;
  int hold(int key, bool pin);                       // with mutex_: the holding channel or -1
  void holdAll(const std::vector<std::uint32_t>& messages, bool forGood, const std::atomic<bool>* cancel);
  bool collectLocked();
  void poke();  // with mutex_: the collector looks again
  void enterGate();
  void loop();

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* shadow_ = nullptr;
  fluid_sfont_t* sfont_ = nullptr;
  int sfontId_ = 0;

  mutable std::mutex mutex_;
  std::array<Hold, kChannels> holds_{};
  Banks banks_;
  std::uint64_t clock_ = 0;
  std::uint32_t sent_ = 0;
  bool ready_ = false;

  std::atomic_flag gate_ = ATOMIC_FLAG_INIT;
  PresetUse use_;
  PresetUse::Snapshot seen_;  // the last look at use_, under mutex_

  std::thread collector_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool poked_ = false;
};

}  // namespace tonalix::platform

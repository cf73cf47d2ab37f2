// What the audio thread tells the preset keeper, without locks: the preset each channel has
// selected, the presets whose notes still sound (a note keeps its instrument after a program
// change), and how many selections it has taken. Written once per block, read whole.
#pragma once

#include <fluidsynth.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace tonalix::platform {

class PresetUse {
 public:
  // Keys are (bank << 7) | program, banks 0 to 128; these stand for what a reset selects and
  // for a preset the synthesizer chose itself.
  static constexpr int kDefaultPreset = -1;
  static constexpr int kUnknownPreset = -2;
  static constexpr int kKeys = 129 << 7;
  static constexpr std::size_t kWords = (kKeys + 63) / 64;

  struct Snapshot {
    std::uint32_t retired = 0;
    bool complete = false;  // false: a note sounds on a channel the synthesizer does not have
    std::array<int, 16> channel{};
    std::array<std::uint64_t, kWords> sounding{};  // one bit per key
    bool sounds(int key) const {
      return key >= 0 && key < kKeys && ((sounding[static_cast<std::size_t>(key) / 64] >> (key % 64)) & 1u);
    }
  };

  // Before the audio thread runs: every channel has the reset preset.
  void reset(int polyphony) {
    voices_.assign(static_cast<std::size_t>(polyphony > 0 ? polyphony : 256), nullptr);
    known_.assign(2 * voices_.size(), Known{});
    for (auto& h : history_) h = History{};
    channelKey_.fill(kDefaultPreset);
    newestId_ = -1;
    retired_ = 0;
    soundingBits_.fill(0);
    publishLocal(true);
    changed_ = false;
    publishedSilence_ = true;
  }

  // --- Audio thread ---

  // `channel` (or every channel, for -1) has just selected `key`: notes sounding now keep what
  // they had, notes from now on are of `key`.
  void selected(fluid_synth_t* synth, int channel, int key) noexcept {
    const std::int64_t boundary = scan(synth);
    for (int ch = 0; ch < 16; ++ch) {
      if (channel >= 0 && ch != channel) continue;
      History& h = history_[static_cast<std::size_t>(ch)];
      h.head = (h.head + 1) % kHistory;
      if (h.count == kHistory) {
        // The oldest change is forgotten: a note older than the ones remembered may be of it.
        set(h.older, h.entry[static_cast<std::size_t>(h.head)].key);
        h.hasOlder = true;
      } else {
        ++h.count;
      }
      h.entry[static_cast<std::size_t>(h.head)] = {key, boundary};
      channelKey_[static_cast<std::size_t>(ch)] = key;
    }
    changed_ = true;
  }
  void retired() noexcept {
    ++retired_;
    changed_ = true;
  }
  // After each block. A silent block after a silent one with nothing selected or retired
  // between them has nothing new to say.
  void publish(fluid_synth_t* synth) noexcept {
    const bool silent = !synth || fluid_synth_get_active_voice_count(synth) == 0;
    if (silent && publishedSilence_ && !changed_) return;
    changed_ = false;
    publishedSilence_ = silent;
    soundingBits_.fill(0);
    bool complete = true;
    std::array<bool, 16> unknownOn{};
    const int n = synth ? playing(synth) : 0;
    for (int i = 0; i < n; ++i) {
      fluid_voice_t* v = voices_[static_cast<std::size_t>(i)];
      const int channel = fluid_voice_get_channel(v);
      if (channel < 0 || channel >= 16) {
        complete = false;
        continue;
      }
      const int key = presetOf(v, channel, fluid_voice_get_id(v));
      if (key == kNotKnown) unknownOn[static_cast<std::size_t>(channel)] = true;
      else set(soundingBits_, key);
    }
    for (std::size_t ch = 0; ch < 16; ++ch) {
      History& h = history_[ch];
      if (!h.hasOlder) continue;
      if (unknownOn[ch]) {
        for (std::size_t w = 0; w < kWords; ++w) soundingBits_[w] |= h.older[w];
      } else {
        // No note is older than the changes remembered, and none can be any more.
        h.older.fill(0);
        h.hasOlder = false;
      }
    }
    publishLocal(complete);
  }

  // --- Any thread ---

  // False when the audio thread was writing meanwhile: look again later.
  bool read(Snapshot& out) const noexcept {
    // A value from a block begun after `before` carries that block's odd sequence with it,
    // so the second look at the sequence sees the change.
    const std::uint32_t before = seq_.load(std::memory_order_acquire);
    if (before & 1u) return false;
    out.retired = pubRetired_.load(std::memory_order_acquire);
    out.complete = pubComplete_.load(std::memory_order_acquire);
    for (std::size_t i = 0; i < 16; ++i) out.channel[i] = pubChannel_[i].load(std::memory_order_acquire);
    for (std::size_t w = 0; w < kWords; ++w) out.sounding[w] = pubSounding_[w].load(std::memory_order_acquire);
    return seq_.load(std::memory_order_relaxed) == before;
  }

 private:
  using Keys = std::array<std::uint64_t, kWords>;
  static constexpr int kHistory = 32;  // changes remembered per channel
  static constexpr int kNotKnown = -3;
  struct Entry {
    int key = kDefaultPreset;
    std::int64_t afterId = -1;  // notes with a higher id started under `key`
  };
  struct History {
    std::array<Entry, kHistory> entry{};
    int head = 0;
    int count = 1;  // the reset preset, from the first note on
    Keys older{};   // the forgotten changes' presets
    bool hasOlder = false;
  };

  static void set(Keys& keys, int key) noexcept {
    if (key >= 0 && key < kKeys) keys[static_cast<std::size_t>(key) / 64] |= std::uint64_t{1} << (key % 64);
  }
  int playing(fluid_synth_t* synth) noexcept {
    const int size = static_cast<int>(voices_.size());
    fluid_synth_get_voicelist(synth, voices_.data(), size, -1);
    int n = 0;
    while (n < size && voices_[static_cast<std::size_t>(n)]) ++n;
    return n;
  }
  // The newest note id sounding now or seen before: every note started later has a higher one.
  std::int64_t scan(fluid_synth_t* synth) noexcept {
    const int n = synth ? playing(synth) : 0;
    for (int i = 0; i < n; ++i) {
      const std::int64_t id = fluid_voice_get_id(voices_[static_cast<std::size_t>(i)]);
      if (id > newestId_) newestId_ = id;
    }
    return newestId_;
  }
  // A note's preset is looked up in the channel's changes when the note is first seen (soon
  // after it starts, so its change is still remembered) and kept with its voice from then on.
  int presetOf(fluid_voice_t* voice, int channel, unsigned id) noexcept {
    if (static_cast<std::int64_t>(id) > newestId_) newestId_ = id;
    Known& known = knownSlot(voice);
    if (known.voice == voice && known.id == id && known.channel == channel) return known.key;
    int key = kNotKnown;
    const History& h = history_[static_cast<std::size_t>(channel)];
    for (int k = 0, i = h.head; k < h.count; ++k, i = (i + kHistory - 1) % kHistory) {
      if (static_cast<std::int64_t>(id) > h.entry[static_cast<std::size_t>(i)].afterId) {
        key = h.entry[static_cast<std::size_t>(i)].key;
        break;
      }
    }
    known = {voice, id, channel, key};
    return key;
  }
  // The synthesizer's voices are a fixed set, so a table twice their number always has room.
  struct Known {
    fluid_voice_t* voice = nullptr;
    unsigned id = 0;
    int channel = -1;
    int key = kNotKnown;
  };
  Known& knownSlot(fluid_voice_t* voice) noexcept {
    const std::size_t size = known_.size();
    std::size_t i = (reinterpret_cast<std::uintptr_t>(voice) >> 4) % size;
    while (known_[i].voice && known_[i].voice != voice) i = (i + 1) % size;
    return known_[i];
  }
  void publishLocal(bool complete) noexcept {
    // A sequence lock: odd while writing. Each value is stored with release, so a reader that
    // sees it also sees the odd sequence stored before it.
    const std::uint32_t s = seq_.load(std::memory_order_relaxed);
    seq_.store(s + 1, std::memory_order_relaxed);
    pubRetired_.store(retired_, std::memory_order_release);
    pubComplete_.store(complete, std::memory_order_release);
    for (std::size_t i = 0; i < 16; ++i) pubChannel_[i].store(channelKey_[i], std::memory_order_release);
    for (std::size_t w = 0; w < kWords; ++w) pubSounding_[w].store(soundingBits_[w], std::memory_order_release);
    seq_.store(s + 2, std::memory_order_release);
  }

  // Audio thread's own.
  std::vector<fluid_voice_t*> voices_;
  std::vector<Known> known_;
  std::array<History, 16> history_{};
  std::array<int, 16> channelKey_{};
  Keys soundingBits_{};
  std::int64_t newestId_ = -1;
  std::uint32_t retired_ = 0;
  bool changed_ = false;           // a selection or retirement since the last publish
  bool publishedSilence_ = false;  // the last publish saw no voice

  // Published.
  std::atomic<std::uint32_t> seq_{0};
  std::atomic<std::uint32_t> pubRetired_{0};
  std::atomic<bool> pubComplete_{true};
  std::array<std::atomic<int>, 16> pubChannel_{};
  std::array<std::atomic<std::uint64_t>, kWords> pubSounding_{};
};

}  // namespace tonalix::platform

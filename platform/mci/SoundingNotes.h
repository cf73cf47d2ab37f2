// Which notes a playback thread has started and not yet released, so that stopping a song
// can release exactly those and leave nothing hanging. Fixed size; never allocates.
#pragma once

#include <array>
#include <cstdint>

namespace tonalix::platform {

class SoundingNotes {
 public:
  void clear() { sounding_.fill(false); }

  void track(std::uint32_t message) {
    const std::uint32_t status = message & 0xF0u;
    const std::size_t slot = ((message & 0x0Fu) << 7) | ((message >> 8) & 0x7Fu);
    const bool on = status == 0x90u && ((message >> 16) & 0x7Fu) != 0;
    const bool off = status == 0x80u || (status == 0x90u && !on);
    // One note-off ends the key however often it was struck.
    if (on) sounding_[slot] = true;
    if (off) sounding_[slot] = false;
  }

  // Calls f(noteOffMessage) for every sounding note.
  template <typename F>
  void forEachNoteOff(F&& f) const {
    for (std::size_t slot = 0; slot < sounding_.size(); ++slot) {
      if (!sounding_[slot]) continue;
      const auto channel = static_cast<std::uint32_t>(slot >> 7);
      const auto note = static_cast<std::uint32_t>(slot & 0x7F);
      f(0x80u | channel | (note << 8));
    }
  }

  // Controller messages that end sustain and every note on all channels, for devices that
  // keep notes we did not see (a note struck before a resume).
  template <typename F>
  static void forEachChannelReset(F&& f) {
    for (std::uint32_t ch = 0; ch < 16; ++ch) {
      f(0xB0u | ch | (64u << 8));   // sustain pedal off
      f(0xB0u | ch | (123u << 8));  // all notes off
    }
  }

 private:
  std::array<bool, 16 * 128> sounding_{};
};

}  // namespace tonalix::platform

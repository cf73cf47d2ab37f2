// Which notes a playback thread has started and not yet released, so that stopping a song
// can release exactly those and leave nothing hanging. Fixed size; never allocates.
#pragma once

#include <array>
#include <cstdint>

#include "platform/midi/ShortMessage.h"

namespace tonalix::platform {

class SoundingNotes {
 public:
  void clear() { sounding_.fill(false); }

  void track(std::uint32_t message) {
    const ShortMessage m = ShortMessage::unpack(message);
    const auto slot = static_cast<std::size_t>(m.channel() << 7 | m.data1);
    // One note-off ends the key however often it was struck.
    if (m.isNoteOn()) sounding_[slot] = true;
    if (m.isNoteOff()) sounding_[slot] = false;
  }

  // Calls f(noteOffMessage) for every sounding note.
  template <typename F>
  void forEachNoteOff(F&& f) const {
    for (std::size_t slot = 0; slot < sounding_.size(); ++slot) {
      if (!sounding_[slot]) continue;
      f(ShortMessage::of(ShortMessage::kNoteOff, static_cast<int>(slot >> 7), static_cast<int>(slot & 0x7F)).pack());
    }
  }

  // Controller messages that end sustain and every note on all channels, for devices that
  // keep notes we did not see (a note struck before a resume).
  template <typename F>
  static void forEachChannelReset(F&& f) {
    for (int ch = 0; ch < 16; ++ch) {
      f(ShortMessage::of(ShortMessage::kControlChange, ch, ShortMessage::kSustainPedal).pack());  // off
      f(ShortMessage::of(ShortMessage::kControlChange, ch, ShortMessage::kAllNotesOff).pack());
    }
  }

 private:
  std::array<bool, 16 * 128> sounding_{};
};

}  // namespace tonalix::platform

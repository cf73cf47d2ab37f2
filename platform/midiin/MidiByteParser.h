// Turns the raw bytes a MIDI source sends, in whatever pieces they arrive, into whole channel
// messages. Sources split running status across packets, drop bytes and send SysEx of any
// length; none of that may produce a wrong note or grow memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/midi/ShortMessage.h"

namespace tonalix::platform {

class MidiByteParser {
 public:
  // Calls emit(message) for each complete channel message, packed as a ShortMessage. System
  // messages are consumed and dropped.
  template <typename Emit>
  void feed(const std::uint8_t* bytes, std::size_t count, Emit&& emit) {
    for (std::size_t i = 0; i < count; ++i) {
      if (const std::uint32_t message = take(bytes[i])) emit(message);
    }
  }

  // Forgets a half-received message, e.g. when its source goes away.
  void reset() {
    running_ = 0;
    have_ = 0;
  }

 private:
  // Returns a complete channel message, or 0 while none is complete.
  std::uint32_t take(std::uint8_t byte) {
    if (byte >= 0xF8) return 0;  // real-time bytes may sit anywhere, even inside a message
    if (byte >= 0x80) {
      // Any other status ends a SysEx and a half-received message. System messages cancel
      // running status, so their data bytes (and a SysEx body) fall through as strays below.
      running_ = byte < 0xF0 ? byte : 0;
      have_ = 0;
      return 0;
    }
    if (running_ == 0) return 0;  // stray data byte: no status to attach it to
    data_[have_++] = byte;
    const int needed = ShortMessage{running_}.dataLength();
    if (have_ < needed) return 0;
    have_ = 0;  // running status stays: the next data bytes start a new message
    return ShortMessage{running_, data_[0], needed == 2 ? data_[1] : std::uint8_t{0}}.pack();
  }

  std::uint8_t running_ = 0;
  std::uint8_t have_ = 0;
  std::uint8_t data_[2] = {};
};

}  // namespace tonalix::platform

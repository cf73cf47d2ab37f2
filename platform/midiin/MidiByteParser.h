// Turns the raw bytes a MIDI source sends, in whatever pieces they arrive, into whole channel
// messages. Sources split running status across packets, drop bytes and send SysEx of any
// length; none of that may produce a wrong note or grow memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tonalix::platform {

class MidiByteParser {
 public:
  // Calls emit(message) for each complete channel message, packed as a short message:
  // status | data1 << 8 | data2 << 16. System messages are consumed and dropped.
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
    const std::uint8_t kind = running_ & 0xF0;
    const std::uint8_t needed = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
    if (have_ < needed) return 0;
    have_ = 0;  // running status stays: the next data bytes start a new message
    return running_ | (std::uint32_t{data_[0]} << 8) |
           (needed == 2 ? std::uint32_t{data_[1]} << 16 : 0u);
  }

  std::uint8_t running_ = 0;
  std::uint8_t have_ = 0;
  std::uint8_t data_[2] = {};
};

}  // namespace tonalix::platform

// One MIDI channel message in the 32-bit form the output services and the audio engine pass
// around: the status byte in bits 0-7, the first data byte in bits 8-15, the second in bits
// 16-23, nothing above. Every place that builds or takes apart that form goes through here, so
// that the senders and the players cannot disagree about where a byte sits.
#pragma once

#include <cstdint>

namespace tonalix::platform {

struct ShortMessage {
  // Kinds: the high half of the status byte.
  static constexpr std::uint8_t kNoteOff = 0x80, kNoteOn = 0x90, kKeyPressure = 0xA0,
                                kControlChange = 0xB0, kProgramChange = 0xC0,
                                kChannelPressure = 0xD0, kPitchBend = 0xE0;
  // A system reset: the engine takes it as the selection of every channel's default preset.
  static constexpr std::uint8_t kSystemReset = 0xFF;
  // Controllers the program sends or follows itself.
  static constexpr std::uint8_t kBankSelect = 0, kBankSelectLsb = 32, kSustainPedal = 64,
                                kSostenutoPedal = 66, kSoftPedal = 67, kAllNotesOff = 123;

  std::uint8_t status = 0;  // kind and channel together, as on the wire
  std::uint8_t data1 = 0;   // note, controller or program
  std::uint8_t data2 = 0;   // velocity or controller value; unused by two-byte kinds

  // The status byte is formed as kind + channel, the way the message operations add them.
  static constexpr ShortMessage of(int kind, int channel, int data1 = 0, int data2 = 0) {
    return {static_cast<std::uint8_t>(kind + channel), static_cast<std::uint8_t>(data1),
            static_cast<std::uint8_t>(data2)};
  }
  // Data bytes are read as seven bits: a stray high bit never reaches a synthesizer as a note
  // or a velocity above 127.
  static constexpr ShortMessage unpack(std::uint32_t wire) {
    return {static_cast<std::uint8_t>(wire & 0xFFu), static_cast<std::uint8_t>((wire >> 8) & 0x7Fu),
            static_cast<std::uint8_t>((wire >> 16) & 0x7Fu)};
  }
  constexpr std::uint32_t pack() const {
    return std::uint32_t{status} | std::uint32_t{data1} << 8 | std::uint32_t{data2} << 16;
  }

  constexpr std::uint8_t kind() const { return status & 0xF0u; }
  constexpr int channel() const { return status & 0x0F; }
  // A channel message, as opposed to a data byte with no status or a system message.
  constexpr bool hasChannel() const { return status >= 0x80 && status < 0xF0; }
  // A note-on with velocity 0 ends its note, as running status senders use it.
  constexpr bool isNoteOn() const { return kind() == kNoteOn && data2 != 0; }
  constexpr bool isNoteOff() const { return kind() == kNoteOff || (kind() == kNoteOn && data2 == 0); }
  constexpr bool isPedal() const {
    return kind() == kControlChange && (data1 == kSustainPedal || data1 == kSostenutoPedal || data1 == kSoftPedal);
  }
  // What ends a sound: losing one leaves a note ringing for ever, so none is ever dropped.
  constexpr bool isRelease() const { return isNoteOff() || (isPedal() && data2 < 64); }
  // Program changes and the system reset choose what a channel plays.
  constexpr bool isSelection() const { return kind() == kProgramChange || status == kSystemReset; }
  // How many data bytes follow the status on the wire.
  constexpr int dataLength() const {
    return kind() == kProgramChange || kind() == kChannelPressure ? 1 : 2;
  }
};

}  // namespace tonalix::platform

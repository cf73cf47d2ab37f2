#include "platform/midiout/SynthDevice.h"

#include "platform/audio/AudioEngine.h"
#include "platform/midi/ShortMessage.h"

namespace tonalix::platform {

void SynthDevice::track(std::uint32_t message) {
  const ShortMessage m = ShortMessage::unpack(message);
  if (!m.hasChannel()) return;
  const auto channel = static_cast<std::uint32_t>(m.channel());
  usedChannels_.fetch_or(1u << channel, std::memory_order_relaxed);
  if (!m.isNoteOn() && !m.isNoteOff()) return;
  const std::uint32_t bit = channel * 128 + m.data1;
  const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
  auto& word = held_[bit / 64];
  if (m.isNoteOn()) word.fetch_or(mask, std::memory_order_relaxed);
  else word.fetch_and(~mask, std::memory_order_relaxed);
}

MMRESULT SynthDevice::send(std::uint32_t message) {
  if ((message & 0x80u) == 0) return MMSYSERR_INVALPARAM;  // no status byte
  track(message);
  // A full queue means the audio thread has stalled for thousands of events; the message is
  // dropped rather than blocking the caller.
  return engine_.sendShortMessage(message) ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

// Closing the synthesizer handle works like a device reset: every note this handle started and
// has not stopped gets its note-off, and the sustain pedal is released on the channels it used.
// Notes started through other open handles keep sounding.
void SynthDevice::close() {
  for (std::uint32_t word = 0; word < held_.size(); ++word) {
    std::uint64_t bits = held_[word].exchange(0, std::memory_order_relaxed);
    while (bits) {
      const int index = __builtin_ctzll(bits);
      bits &= bits - 1;
      const std::uint32_t bit = word * 64 + static_cast<std::uint32_t>(index);
      const auto channel = static_cast<int>(bit / 128), note = static_cast<int>(bit % 128);
      engine_.sendShortMessage(ShortMessage::of(ShortMessage::kNoteOff, channel, note).pack());
    }
  }
  const std::uint32_t channels = usedChannels_.exchange(0, std::memory_order_relaxed);
  for (int ch = 0; ch < 16; ++ch)
    if (channels & (1u << ch))
      engine_.sendShortMessage(ShortMessage::of(ShortMessage::kControlChange, ch, ShortMessage::kSustainPedal).pack());
}

}  // namespace tonalix::platform

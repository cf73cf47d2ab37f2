#include "platform/midiout/SynthDevice.h"

#include "platform/audio/AudioEngine.h"

namespace tonalix::platform {

void SynthDevice::track(std::uint32_t message) {
  const std::uint32_t status = message & 0xFFu;
  if (status < 0x80 || status >= 0xF0) return;
  const std::uint32_t channel = status & 0x0Fu;
  usedChannels_.fetch_or(1u << channel, std::memory_order_relaxed);
  const std::uint32_t kind = status & 0xF0u;
  if (kind != 0x80 && kind != 0x90) return;
  const std::uint32_t note = (message >> 8) & 0x7Fu;
  const std::uint32_t velocity = (message >> 16) & 0x7Fu;
  const std::uint32_t bit = channel * 128 + note;
  const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
  auto& word = held_[bit / 64];
  if (kind == 0x90 && velocity > 0) word.fetch_or(mask, std::memory_order_relaxed);
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
      const std::uint32_t channel = bit / 128, note = bit % 128;
      engine_.sendShortMessage(0x80u | channel | (note << 8));
    }
  }
  const std::uint32_t channels = usedChannels_.exchange(0, std::memory_order_relaxed);
  for (std::uint32_t ch = 0; ch < 16; ++ch)
    if (channels & (1u << ch)) engine_.sendShortMessage(0xB0u | ch | (64u << 8));
}

}  // namespace tonalix::platform

#include "platform/mci/MidiSequence.h"

#include "platform/midi/SmfTypes.h"

namespace tonalix::platform {

MidiSequence MidiSequence::fromFile(const smf::SmfFile& file) {
  MidiSequence seq;
  seq.durationMicros = file.durationMicros;
  for (const auto& ev : file.events) {
    if (ev.kind == smf::SmfEventKind::Channel) seq.events.push_back({ev.micros, ev.message});
  }
  return seq;
}

std::vector<std::uint32_t> MidiSequence::chaseBefore(std::size_t index) const {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < index && i < events.size(); ++i) {
    const std::uint8_t kind = ShortMessage::unpack(events[i].message).kind();
    if (kind != ShortMessage::kNoteOff && kind != ShortMessage::kNoteOn && kind != ShortMessage::kKeyPressure)
      out.push_back(events[i].message);
  }
  return out;
}

std::vector<std::uint32_t> MidiSequence::instrumentChoices() const {
  std::vector<std::uint32_t> out;
  for (const SequenceEvent& event : events) {
    const ShortMessage m = ShortMessage::unpack(event.message);
    if (m.kind() == ShortMessage::kProgramChange ||
        (m.kind() == ShortMessage::kControlChange && m.data1 == ShortMessage::kBankSelect))
      out.push_back(event.message);
  }
  return out;
}

}  // namespace tonalix::platform

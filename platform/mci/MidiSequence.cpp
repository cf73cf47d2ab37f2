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


std::vector<std::uint32_t> MidiSequence::instrumentChoices(std::size_t end) const {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < end && i < events.size(); ++i) {
    const ShortMessage m = ShortMessage::unpack(events[i].message);
    if (m.kind() == ShortMessage::kProgramChange ||
        (m.kind() == ShortMessage::kControlChange && m.data1 == ShortMessage::kBankSelect))
      out.push_back(events[i].message);
  }
  return out;
}

std::size_t MidiSequence::openingEnd(std::size_t from) const {
  std::size_t i = from;
  while (i < events.size() && !ShortMessage::unpack(events[i].message).isNoteOn()) ++i;
  if (i == events.size()) return i;
  const std::uint64_t first = events[i].micros;
  while (i < events.size() && events[i].micros == first) ++i;
  return i;
}

}  // namespace tonalix::platform

// What the sequencer plays: the channel messages of a MIDI file with their times, ready for a
// playback thread (no further allocation or parsing while playing).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/midi/ShortMessage.h"

namespace tonalix::smf {
struct SmfFile;
}

namespace tonalix::platform {

struct SequenceEvent {
  std::uint64_t micros = 0;   // from the start of the song
  std::uint32_t message = 0;  // a packed ShortMessage
};

struct MidiSequence {
  std::vector<SequenceEvent> events;  // by time
  std::uint64_t durationMicros = 0;   // the song ends here (last end of track)

  static MidiSequence fromFile(const smf::SmfFile& file);

  // Messages that set up channels (programs, controllers, pitch bend, pressure) before event
  // `index`, in order: sent first when playback resumes in the middle of a song.
  std::vector<std::uint32_t> chaseBefore(std::size_t index) const;
  // The program changes and bank selects, in order: what the song chooses to play with, for
  // loading its instruments before they are chosen.
  std::vector<std::uint32_t> instrumentChoices() const;
};

}  // namespace tonalix::platform

#include "songs/SampleSongInstruments.h"

#include "platform/audio/AudioEngine.h"
#include "platform/mci/MidiSequence.h"
#include "platform/midi/SmfReader.h"
#include "platform/system/BuiltInData.h"
#include "songs/SampleSongCatalogue.h"

namespace tonalix::songs {

std::vector<std::uint32_t> SampleSongInstrumentChoices(int index) {
  if (!IsSampleSongIndex(index)) return {};
  const auto bytes = platform::FindResData(SampleSongDataId(index), kSampleSongDataType);
  const smf::SmfReadResult read = smf::SmfReader::read(bytes);
  if (!read.ok()) return {};
  return platform::MidiSequence::fromFile(read.file).instrumentChoices();
}

void KeepSampleSongInstruments(platform::AudioEngine& engine, const std::atomic<bool>& stop) {
  for (int n = 1; n <= kSampleSongCount && !stop.load(std::memory_order_relaxed); ++n)
    engine.keepInstruments(SampleSongInstrumentChoices(n), &stop);
}

}  // namespace tonalix::songs

// The instruments the built-in songs choose, loaded ahead of time: a song button then starts
// its song at once instead of waiting for the song's instruments to be read from the
// SoundFont. No Qt.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace tonalix::platform {
class AudioEngine;
}

namespace tonalix::songs {

// The program changes and bank selects of song `index` (1 to 20), in order; empty when the
// song is missing or cannot be read.
std::vector<std::uint32_t> SampleSongInstrumentChoices(int index);

// Loads every song's instruments into the started engine and keeps them for as long as it
// runs. Takes a while (each instrument is read from the SoundFont): call it on a worker. Stops
// early once `stop` is set.
void KeepSampleSongInstruments(platform::AudioEngine& engine, const std::atomic<bool>& stop);

}  // namespace tonalix::songs

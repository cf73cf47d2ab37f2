// The twenty built-in sample songs: the title each shows and the data item that carries it.
#pragma once

#include <string>
#include <string_view>

namespace tonalix::songs {

constexpr int kSampleSongCount = 20;

// Index 1 to 20, as numbered on the song buttons.
constexpr bool IsSampleSongIndex(int index) { return index >= 1 && index <= kSampleSongCount; }

// The title shown in the song label; empty for an index outside 1 to 20.
std::string_view SampleSongTitle(int index);

// The built-in data item carrying the song's Standard MIDI File: type "CUSTOM", id 100 + index.
constexpr int SampleSongDataId(int index) { return 100 + index; }
inline constexpr std::string_view kSampleSongDataType = "CUSTOM";

// The song's temporary file name inside the temporary folder: "temp" and the index in decimal,
// without leading zeros or extension.
std::string SampleTempFileName(int index);

}  // namespace tonalix::songs

// Where the sample songs come from and under which licences they are distributed, for the
// about box and for the licence file installed with the program.
#pragma once

#include <string>

namespace tonalix::songs {

// The built-in data item holding the text: type "TEXT", id 201.
constexpr int kSampleSongLicencesId = 201;

// The text (Markdown) as carried inside the program; empty only if the item is missing.
std::string SampleSongLicences();

}  // namespace tonalix::songs

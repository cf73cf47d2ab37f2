#include "songs/SampleSongCatalogue.h"

#include <array>

namespace tonalix::songs {

namespace {

// Titles are shown exactly as written here, trailing blank of 14 included.
constexpr std::array<std::string_view, kSampleSongCount> kTitles = {
    "BACH - Symphony Anglaise",
    "BACH - English Suite No.2 in A",
    "BACH - Sinfonia No. 8",
    "BACH - Duet",
    "BEETHOVEN - Fur Elise",
    "BEETHOVEN - The Ruins of Athens",
    "Italian Folk Song",
    "Slow Musical Melody",
    "CHOPIN - Etude Number 1 in C#-",
    "CHOPIN - Waltz Operatta: 70 No.II",
    "Fast Gypsy Waltz",
    "Traditional Folk Tunes",
    "MOZART - Sonata in C, Allegro",
    "HANDEL - Concerti Grossi ",
    "HAYDN - Guitar Quartet in D",
    "Slow Piano Cantata",
    "BACH - Symphony",
    "WAGNER - Die Meistersinger Von Nurenberg",
    "Classical Ensemble Melody",
    "HAYDN - The Creation's Oratorio",
};

}  // namespace

std::string_view SampleSongTitle(int index) {
  if (!IsSampleSongIndex(index)) return {};
  return kTitles[static_cast<std::size_t>(index - 1)];
}

std::string SampleTempFileName(int index) { return "temp" + std::to_string(index); }

}  // namespace tonalix::songs

// MIDI file reader throughput over the twenty built-in songs, in bytes per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/midi/SmfReader.h"

namespace {

std::vector<std::vector<std::uint8_t>> loadSongs() {
  std::vector<std::vector<std::uint8_t>> songs;
  for (int n = 1; n <= 20; ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "%s/song%02d.mid", TONALIX_SONGS_DIR, n);
    std::ifstream in(name, std::ios::binary);
    songs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return songs;
}

void BM_ReadAllSongs(benchmark::State& state) {
  const auto songs = loadSongs();
  std::size_t bytes = 0;
  for (const auto& s : songs) bytes += s.size();
  for (auto _ : state) {
    for (const auto& s : songs) {
      auto r = tonalix::smf::SmfReader::read(s);
      if (!r.ok()) state.SkipWithError(r.message.c_str());
      benchmark::DoNotOptimize(r.file.events.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ReadAllSongs)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

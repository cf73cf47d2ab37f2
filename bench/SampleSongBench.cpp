// Cost of preparing a sample song when its button is clicked: finding the built-in item and
// writing it whole to its temporary file (the largest song, into a fresh scratch folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "platform/system/BuiltInData.h"
#include "songs/SampleSongCatalogue.h"
#include "songs/SampleTempFiles.h"
#include "tests/support/ScratchDir.h"

namespace {

using namespace tonalix;

int largestSong() {
  int best = 1;
  for (int n = 2; n <= songs::kSampleSongCount; ++n)
    if (platform::FindResData(songs::SampleSongDataId(n), "CUSTOM").size() >
        platform::FindResData(songs::SampleSongDataId(best), "CUSTOM").size())
      best = n;
  return best;
}

void BM_FindSongItem(benchmark::State& state) {
  for (auto _ : state) {
    auto item = platform::FindResData(120, "CUSTOM");
    benchmark::DoNotOptimize(item);
  }
}
BENCHMARK(BM_FindSongItem);

void BM_WriteSongTempFile(benchmark::State& state) {
  const testing::ScratchDir scratch("song-bench");
  if (!scratch.made()) {
    state.SkipWithError("no scratch folder");
    return;
  }
  songs::SampleTempFiles files(scratch.str(), scratch.str() + "/private");
  const int n = largestSong();
  const auto bytes = platform::FindResData(songs::SampleSongDataId(n), "CUSTOM");
  for (auto _ : state) {
    auto written = files.Write(n, bytes);
    if (!written.ok()) state.SkipWithError(written.error.c_str());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
  state.SetLabel("song " + std::to_string(n) + ", " + std::to_string(bytes.size()) + " bytes");
}
BENCHMARK(BM_WriteSongTempFile)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

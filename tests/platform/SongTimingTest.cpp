// Every built-in song read by the reader must give the same event times as a plain walk over
// its tracks that sums delta times and integrates the tempo changes in floating point.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/midi/SmfReader.h"

using namespace tonalix::smf;

namespace {

struct RawEvent {
  std::uint64_t tick;
  int status;  // 0xFF meta, 0xF0/0xF7 sysex, else channel status
  int metaType;
  std::uint32_t tempo;
};

std::vector<std::uint8_t> slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Independent track walk: absolute ticks of each event of each track.
std::vector<std::vector<RawEvent>> walkTracks(const std::vector<std::uint8_t>& d, int& tpq) {
  auto u32 = [&](std::size_t p) { return (d[p] << 24) | (d[p + 1] << 16) | (d[p + 2] << 8) | d[p + 3]; };
  tpq = (d[12] << 8) | d[13];
  const int ntrks = (d[10] << 8) | d[11];
  std::vector<std::vector<RawEvent>> tracks;
  std::size_t p = 8 + static_cast<std::size_t>(u32(4));
  while (static_cast<int>(tracks.size()) < ntrks) {
    const bool isTrack = std::string(d.begin() + static_cast<long>(p), d.begin() + static_cast<long>(p) + 4) == "MTrk";
    const std::size_t len = static_cast<std::size_t>(u32(p + 4));
    p += 8;
    const std::size_t end = p + len;
    if (!isTrack) { p = end; continue; }
    std::vector<RawEvent> evs;
    std::uint64_t tick = 0;
    int running = 0;
    auto vlq = [&]() { std::uint32_t v = 0; std::uint8_t b; do { b = d[p++]; v = (v << 7) | (b & 0x7F); } while (b & 0x80); return v; };
    while (p < end) {
      tick += vlq();
      int st = d[p];
      if (st & 0x80) ++p; else st = running;
      RawEvent ev{tick, st, -1, 0};
      if (st == 0xFF) {
        ev.metaType = d[p++];
        const auto n = vlq();
        if (ev.metaType == 0x51) ev.tempo = (d[p] << 16) | (d[p + 1] << 8) | d[p + 2];
        p += n;
      } else if (st == 0xF0 || st == 0xF7) {
        p += vlq();
      } else {
        running = st;
        p += ((st & 0xE0) == 0xC0) ? 1 : 2;
      }
      evs.push_back(ev);
      if (ev.metaType == 0x2F) break;
    }
    p = end;
    tracks.push_back(evs);
  }
  return tracks;
}

}  // namespace

TEST(SongTiming, EveryBuiltInSongMatchesIndependentTiming) {
  for (int n = 1; n <= 20; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "song%02d.mid", n);
    const std::string path = std::string(TONALIX_SONGS_DIR) + "/" + name;
    SCOPED_TRACE(path);
    const auto bytes = slurp(path);
    ASSERT_GT(bytes.size(), 14u);
    const auto r = SmfReader::read(bytes);
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(r.file.format, 1);

    int tpq = 0;
    const auto tracks = walkTracks(bytes, tpq);
    ASSERT_EQ(static_cast<int>(tracks.size()), r.file.trackCount);

    // Tempo changes from every track, by tick (later track wins at equal ticks).
    std::map<std::uint64_t, std::uint32_t> tempos;
    for (const auto& t : tracks) {
      for (const auto& e : t) {
        if (e.metaType == 0x51 && e.tempo > 0) tempos[e.tick] = e.tempo;
      }
    }
    auto seconds = [&](std::uint64_t tick) {
      double s = 0;
      std::uint64_t at = 0;
      double tempo = 500000;
      for (const auto& [t, us] : tempos) {
        if (t >= tick) break;
        s += static_cast<double>(t - at) * tempo / tpq / 1e6;
        at = t;
        tempo = us;
      }
      return s + static_cast<double>(tick - at) * tempo / tpq / 1e6;
    };

    // Compare track by track, in file order.
    std::vector<std::vector<const SmfEvent*>> byTrack(tracks.size());
    for (const auto& ev : r.file.events) byTrack.at(ev.track).push_back(&ev);
    double lastEnd = 0;
    std::size_t channelCount = 0;
    for (std::size_t t = 0; t < tracks.size(); ++t) {
      ASSERT_EQ(byTrack[t].size(), tracks[t].size()) << "track " << t;
      for (std::size_t i = 0; i < tracks[t].size(); ++i) {
        const double expected = seconds(tracks[t][i].tick);
        ASSERT_NEAR(static_cast<double>(byTrack[t][i]->micros) / 1e6, expected, 2e-6)
            << "track " << t << " event " << i;
        if (tracks[t][i].status < 0xF0) {
          ++channelCount;
          EXPECT_EQ(byTrack[t][i]->message & 0xFFu, static_cast<std::uint32_t>(tracks[t][i].status));
        }
      }
      if (!tracks[t].empty()) lastEnd = std::max(lastEnd, seconds(tracks[t].back().tick));
    }
    EXPECT_GT(channelCount, 100u);
    EXPECT_NEAR(static_cast<double>(r.file.durationMicros) / 1e6, lastEnd, 2e-6);
    EXPECT_GE(lastEnd, 30.0);
    EXPECT_LE(lastEnd, 260.0);
  }
}

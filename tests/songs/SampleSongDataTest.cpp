// The built-in song items and the catalogue that names them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "platform/midi/SmfReader.h"
#include "platform/system/BuiltInData.h"
#include "songs/SampleSongCatalogue.h"
#include "songs/SampleSongLicences.h"

using namespace tonalix;

namespace {

std::vector<std::uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string sourceFile(int index) {
  char name[16];
  std::snprintf(name, sizeof name, "song%02d.mid", index);
  return std::string(TONALIX_SONGS_DIR) + "/" + name;
}

}  // namespace

// Each item is the committed song file, padded with zeros to a multiple of four, and reads as
// a format-1 song the sequencer can play.
TEST(SampleSongData, EveryItemIsItsSongFilePaddedAndPlayable) {
  for (int n = 1; n <= songs::kSampleSongCount; ++n) {
    SCOPED_TRACE(n);
    const platform::ResData item =
        platform::LoadResData(songs::SampleSongDataId(n), songs::kSampleSongDataType);
    ASSERT_TRUE(item.ok()) << item.message;
    ASSERT_GE(item.bytes.size(), 14u);
    EXPECT_EQ(item.bytes.size() % 4, 0u);
    EXPECT_EQ(std::string(item.bytes.begin(), item.bytes.begin() + 4), "MThd");

    const std::vector<std::uint8_t> source = readFile(sourceFile(n));
    ASSERT_FALSE(source.empty());
    ASSERT_LT(item.bytes.size() - source.size(), 4u);
    EXPECT_TRUE(std::equal(source.begin(), source.end(), item.bytes.begin()));
    for (std::size_t i = source.size(); i < item.bytes.size(); ++i) EXPECT_EQ(item.bytes[i], 0);

    const smf::SmfReadResult song = smf::SmfReader::read(item.bytes);
    ASSERT_TRUE(song.ok()) << song.message;
    EXPECT_EQ(song.file.format, 1);
    EXPECT_GT(song.file.durationMicros, 0u);
  }
}

TEST(SampleSongData, LookupByTypeAndId) {
  // Type names match without regard to case, as resource types do.
  EXPECT_TRUE(platform::LoadResData(101, "custom").ok());
  EXPECT_EQ(platform::FindResData(120, "CUSTOM").size(),
            platform::LoadResData(120, "CUSTOM").bytes.size());

  for (auto [id, type] : {std::pair{100, "CUSTOM"}, {121, "CUSTOM"}, {101, "TEXT"}, {101, ""}}) {
    const platform::ResData missing = platform::LoadResData(id, type);
    EXPECT_EQ(missing.error, platform::kResDataNotFound) << id << " " << type;
    EXPECT_TRUE(missing.bytes.empty());
    EXPECT_NE(missing.message.find(std::to_string(id)), std::string::npos);
    EXPECT_TRUE(platform::FindResData(id, type).empty());
  }
}

TEST(SampleSongCatalogue, TitlesAndFileNames) {
  std::set<std::string_view> titles;
  for (int n = 1; n <= songs::kSampleSongCount; ++n) {
    EXPECT_FALSE(songs::SampleSongTitle(n).empty()) << n;
    titles.insert(songs::SampleSongTitle(n));
  }
  EXPECT_EQ(titles.size(), 20u);
  EXPECT_EQ(songs::SampleSongTitle(1), "BACH - Symphony Anglaise");
  EXPECT_EQ(songs::SampleSongTitle(9), "CHOPIN - Etude Number 1 in C#-");
  EXPECT_EQ(songs::SampleSongTitle(14), "HANDEL - Concerti Grossi ");
  EXPECT_EQ(songs::SampleSongTitle(20), "HAYDN - The Creation's Oratorio");
  EXPECT_TRUE(songs::SampleSongTitle(0).empty());
  EXPECT_TRUE(songs::SampleSongTitle(21).empty());

  EXPECT_EQ(songs::SampleTempFileName(1), "temp1");
  EXPECT_EQ(songs::SampleTempFileName(10), "temp10");
  EXPECT_EQ(songs::SampleTempFileName(20), "temp20");
}

TEST(SampleSongLicences, TextTravelsWithTheProgram) {
  const std::string text = songs::SampleSongLicences();
  const std::vector<std::uint8_t> source = readFile(std::string(TONALIX_SONGS_DIR) + "/SOURCES.md");
  EXPECT_EQ(text, std::string(source.begin(), source.end()));
}

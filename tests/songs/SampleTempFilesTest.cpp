// Where the temporary song files are written, how, and what the clean-up at unload removes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "songs/SampleTempFiles.h"
#include "tests/support/ScratchDir.h"

using tonalix::songs::SampleTempFiles;
namespace fs = std::filesystem;

namespace {

class SampleTempFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.made());
    root_ = scratch_.path();
    // Blanks in the program's path must survive every step.
    program_ = root_ / "My Programs" / "Tonalix Studio";
    fs::create_directories(program_);
    private_ = root_ / "private" / "tonalix-studio";
  }

  static std::vector<std::uint8_t> song(std::uint8_t fill, std::size_t size = 64) {
    std::vector<std::uint8_t> bytes(size, fill);
    bytes[0] = 'M';
    return bytes;
  }
  static std::vector<std::uint8_t> contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void touch(const fs::path& path) { std::ofstream(path) << "x"; }

  tonalix::testing::ScratchDir scratch_{"songs-test"};
  fs::path root_, program_, private_;
};

TEST_F(SampleTempFilesTest, WritesUnderTheProgramFolderCreatingTempWhenMissing) {
  SampleTempFiles files(program_.string(), private_.string());
  ASSERT_FALSE(fs::exists(program_ / "temp"));

  const auto first = files.Write(10, song(1));
  ASSERT_TRUE(first.ok()) << first.error;
  EXPECT_EQ(first.path, (program_ / "temp" / "temp10").string());
  EXPECT_EQ(contents(first.path), song(1));

  // Choosing the same song again leaves exactly the song's bytes, even over a longer file.
  std::ofstream(first.path, std::ios::binary) << std::string(500, 'z');
  const auto again = files.Write(10, song(1));
  ASSERT_TRUE(again.ok()) << again.error;
  EXPECT_EQ(contents(again.path), song(1));
  EXPECT_FALSE(files.usesPrivateFolder());
  EXPECT_FALSE(fs::exists(private_));
  // Nothing but the song file is left in the folder (no half-written siblings).
  EXPECT_EQ(std::distance(fs::directory_iterator(program_ / "temp"), fs::directory_iterator()), 1);
}

TEST_F(SampleTempFilesTest, NeverWritesThroughAPlantedLink) {
  fs::create_directories(program_ / "temp");
  const fs::path victim = root_ / "victim";
  std::ofstream(victim) << "precious";
  fs::create_symlink(victim, program_ / "temp" / "temp3");

  SampleTempFiles files(program_.string(), private_.string());
  const auto written = files.Write(3, song(7));
  ASSERT_TRUE(written.ok()) << written.error;
  EXPECT_FALSE(fs::is_symlink(written.path));
  EXPECT_EQ(contents(written.path), song(7));
  EXPECT_EQ(contents(victim), std::vector<std::uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
}

TEST_F(SampleTempFilesTest, UnwritableProgramFolderFallsBackToAPrivateFolder) {
  // /proc refuses new folders even to root, like a read-only installation.
  SampleTempFiles files("/proc", private_.string());
  const auto first = files.Write(1, song(2));
  ASSERT_TRUE(first.ok()) << first.error;
  EXPECT_EQ(first.path, (private_ / "temp1").string());
  EXPECT_EQ(contents(first.path), song(2));
  EXPECT_TRUE(files.usesPrivateFolder());
  struct stat st {};
  ASSERT_EQ(::lstat(private_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // Later songs go to the same place, so one clean-up finds them all.
  EXPECT_EQ(files.Write(2, song(3)).path, (private_ / "temp2").string());
  files.DeleteAllExcept(first.path);
  EXPECT_TRUE(fs::exists(private_ / "temp1"));
  EXPECT_FALSE(fs::exists(private_ / "temp2"));
}

TEST_F(SampleTempFilesTest, AProgramTempThatIsAFileAlsoFallsBack) {
  touch(program_ / "temp");
  SampleTempFiles files(program_.string(), private_.string());
  const auto written = files.Write(4, song(4));
  ASSERT_TRUE(written.ok()) << written.error;
  EXPECT_EQ(written.path, (private_ / "temp4").string());
}

TEST_F(SampleTempFilesTest, APlantedTempLinkOrAnotherUsersTempIsNeitherWrittenNorSwept) {
  const fs::path elsewhere = root_ / "elsewhere";
  fs::create_directory(elsewhere);
  touch(elsewhere / "temp2");
  fs::create_directory_symlink(elsewhere, program_ / "temp");
  SampleTempFiles linked(program_.string(), private_.string());
  const auto written = linked.Write(4, song(4));
  ASSERT_TRUE(written.ok()) << written.error;
  EXPECT_EQ(written.path, (private_ / "temp4").string());
  linked.DeleteAllExcept("");
  EXPECT_TRUE(fs::exists(elsewhere / "temp2"));
  EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 1);

  // A real folder that belongs to someone else (only root can make one for the test).
  fs::remove(program_ / "temp");
  fs::create_directory(program_ / "temp");
  touch(program_ / "temp" / "temp2");
  if (::geteuid() != 0 || ::chown((program_ / "temp").c_str(), 4242, 4242) != 0) return;
  SampleTempFiles foreign(program_.string(), private_.string());
  EXPECT_EQ(foreign.Write(6, song(6)).path, (private_ / "temp6").string());
  foreign.DeleteAllExcept("");
  EXPECT_TRUE(fs::exists(program_ / "temp" / "temp2"));
  EXPECT_FALSE(fs::exists(program_ / "temp" / "temp6"));
}

TEST_F(SampleTempFilesTest, NoUsableFolderGivesAClearErrorAndNoFile) {
  // The private folder's place is taken by a link: it must be refused, not followed.
  fs::create_directories(private_.parent_path());
  fs::create_directory(root_ / "elsewhere");
  fs::create_directory_symlink(root_ / "elsewhere", private_);

  SampleTempFiles files("/proc", private_.string());
  const auto failed = files.Write(5, song(5));
  EXPECT_FALSE(failed.ok());
  EXPECT_TRUE(failed.path.empty());
  EXPECT_NE(failed.error.find("/proc/temp"), std::string::npos) << failed.error;
  EXPECT_NE(failed.error.find(private_.string()), std::string::npos) << failed.error;
  EXPECT_TRUE(fs::is_empty(root_ / "elsewhere"));

  SampleTempFiles nowhere("", "");
  EXPECT_FALSE(nowhere.Write(1, song(1)).ok());
}

TEST_F(SampleTempFilesTest, CleanupKeepsTheLastChosenAndLeavesOtherFilesAlone) {
  SampleTempFiles files(program_.string(), private_.string());
  std::string last;
  for (int n : {3, 7, 5}) last = files.Write(n, song(static_cast<std::uint8_t>(n))).path;
  touch(program_ / "temp" / "notes.txt");
  touch(program_ / "temp" / "temp21");
  touch(program_ / "temp" / "temp05");
  // A link standing in for a song file goes; the file it points to stays.
  const fs::path outside = root_ / "outside";
  touch(outside);
  fs::create_symlink(outside, program_ / "temp" / "temp12");
  // A folder with a song file's name is not something the clean-up removes.
  fs::create_directory(program_ / "temp" / "temp13");

  files.DeleteAllExcept(last);

  EXPECT_FALSE(fs::exists(program_ / "temp" / "temp3"));
  EXPECT_FALSE(fs::exists(program_ / "temp" / "temp7"));
  EXPECT_TRUE(fs::exists(program_ / "temp" / "temp5"));
  EXPECT_FALSE(fs::is_symlink(program_ / "temp" / "temp12"));
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_TRUE(fs::is_directory(program_ / "temp" / "temp13"));
  for (const char* other : {"notes.txt", "temp21", "temp05"})
    EXPECT_TRUE(fs::exists(program_ / "temp" / other)) << other;
}

TEST_F(SampleTempFilesTest, CleanupWithoutAChoiceRemovesEverySongFileAndToleratesGaps) {
  fs::create_directories(program_ / "temp");
  for (int n : {1, 2, 19, 20}) touch(program_ / "temp" / ("temp" + std::to_string(n)));
  SampleTempFiles files(program_.string(), private_.string());
  files.DeleteAllExcept("");
  EXPECT_TRUE(fs::is_empty(program_ / "temp"));

  // No temp folder at all, and a program folder that is unknown: nothing to do, no failure.
  SampleTempFiles(root_ / "missing", private_.string()).DeleteAllExcept("");
  SampleTempFiles("", "").DeleteAllExcept("");
}

}  // namespace

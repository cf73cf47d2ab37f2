// An installed program must be told from one in its build tree: the first reads its data from
// <prefix>/share/tonalix-studio and must never write beside itself, the second keeps both
// beside the executable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/system/InstallLayout.h"
#include "tests/support/ScratchDir.h"

namespace fs = std::filesystem;
using tonalix::platform::DataFolder;
using tonalix::platform::IsInstalledProgram;

TEST(InstallLayout, OnlyABinFolderBesideTheSharedDataCountsAsInstalled) {
  const tonalix::testing::ScratchDir scratch("layout-test");
  ASSERT_TRUE(scratch.made());
  const fs::path root = scratch.path();
  const fs::path prefix = root / "usr";
  fs::create_directories(prefix / "bin");
  fs::create_directories(root / "build");

  // A bin folder alone (a build tree named so, or a copy dropped into ~/bin) is not installed.
  EXPECT_FALSE(IsInstalledProgram((prefix / "bin").string()));
  EXPECT_EQ(DataFolder((prefix / "bin").string()), (prefix / "bin").string());

  fs::create_directories(prefix / "share" / "tonalix-studio");
  EXPECT_TRUE(IsInstalledProgram((prefix / "bin").string()));
  EXPECT_EQ(DataFolder((prefix / "bin").string()), (prefix / "share" / "tonalix-studio").string());

  // The build tree keeps its data beside the program even when a prefix lies next to it.
  fs::create_directories(root / "share" / "tonalix-studio");
  EXPECT_FALSE(IsInstalledProgram((root / "build").string()));
  EXPECT_EQ(DataFolder((root / "build").string()), (root / "build").string());
  EXPECT_FALSE(IsInstalledProgram(""));
}

// The compiled help file as the build makes it, read back with chmlib: the tables the viewer
// relies on are really in it and every topic, picture and link it names is there.
#include <chm_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <regex>
#include <set>

#include "platform/help/ChmFile.h"
#include "platform/help/Sitemap.h"
#include "platform/system/OsVersion.h"

using namespace tonalix::platform;

namespace {

std::unique_ptr<ChmFile> openHelp() {
  std::string error;
  auto file = ChmFile::Open(TONALIX_HELP_FILE, error);
  EXPECT_TRUE(file) << error;
  return file;
}

}  // namespace

TEST(HelpFile, HoldsTheContextMapAndTheMainWindowType) {
  auto file = openHelp();
  ASSERT_TRUE(file);
  const auto& map = file->ContextMap();
  ASSERT_EQ(map.count(1), 1u);
  EXPECT_EQ(map.at(1), "/start.htm");
  EXPECT_EQ(map.at(2), "/mouse.htm");
  // Every context number leads to a topic of its own.
  std::set<std::string> topics;
  for (const auto& [id, topic] : map) topics.insert(topic);
  EXPECT_EQ(topics.size(), map.size());
  EXPECT_GE(map.size(), 12u);

  const ChmWindowType* main = file->WindowType("main");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->name, "Main");
  EXPECT_EQ(main->caption, "Tonalix STUDIO 4.0 - How to Use");
  EXPECT_EQ(main->right - main->left, 900);
  EXPECT_EQ(main->bottom - main->top, 640);
  EXPECT_TRUE(file->Has(main->contentsFile));
  EXPECT_TRUE(file->Has(main->indexFile));
  EXPECT_EQ(file->DefaultTopic(), "start.htm");
}

// Another reader, with chmlib alone and no knowledge of how the file was built, follows
// context 1 to the first page: the context map names it by its path inside the file.
TEST(HelpFile, AnotherReaderFollowsContextOneWithChmlibAlone) {
  chmFile* file = chm_open(TONALIX_HELP_FILE);
  ASSERT_NE(file, nullptr);
  auto read = [file](const std::string& path) {
    chmUnitInfo ui;
    if (chm_resolve_object(file, path.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return std::string();
    std::string data(static_cast<std::size_t>(ui.length), '\0');
    chm_retrieve_object(file, &ui, reinterpret_cast<unsigned char*>(data.data()), 0, static_cast<LONGINT64>(ui.length));
    return data;
  };
  const std::string ivb = read("/#IVB"), strings = read("/#STRINGS");
  std::string topic;
  for (std::size_t at = 4; at + 8 <= ivb.size(); at += 8) {
    std::uint32_t id = 0, text = 0;
    std::memcpy(&id, ivb.data() + at, 4);
    std::memcpy(&text, ivb.data() + at + 4, 4);
    if (id == 1 && text < strings.size()) topic = strings.c_str() + text;
  }
  EXPECT_EQ(topic, "start.htm");
  std::ifstream source(TONALIX_HELP_SOURCE "/start.htm", std::ios::binary);
  std::stringstream page;
  page << source.rdbuf();
  EXPECT_FALSE(page.str().empty());
  EXPECT_EQ(read("/" + topic), page.str());
  chm_close(file);
}

TEST(HelpFile, EveryTopicPictureAndLinkItNamesIsInIt) {
  auto file = openHelp();
  ASSERT_TRUE(file);
  const ChmWindowType* main = file->WindowType("Main");
  ASSERT_NE(main, nullptr);
  const auto contents = ParseSitemap(file->Read(main->contentsFile).value_or(""));
  const auto index = ParseSitemap(file->Read(main->indexFile).value_or(""));
  EXPECT_GE(contents.size(), 12u);
  EXPECT_GE(index.size(), 20u);
  EXPECT_TRUE(std::any_of(contents.begin(), contents.end(), [](const SitemapEntry& e) { return e.depth == 1; }));
  for (const auto* list : {&contents, &index}) {
    for (const auto& entry : *list) {
      if (!entry.local.empty()) {
        EXPECT_TRUE(file->Has(entry.local)) << entry.name << " -> " << entry.local;
      }
    }
  }

  const std::regex reference(R"re((?:href|src)="([^"#:]+)(?:#[^"]*)?")re", std::regex::icase);
  int pages = 0;
  for (const auto& object : file->Objects()) {
    if (object.size() < 4 || object.substr(object.size() - 4) != ".htm") continue;
    ++pages;
    const std::string html = file->Read(object).value_or("");
    for (std::sregex_iterator it(html.begin(), html.end(), reference), end; it != end; ++it)
      EXPECT_TRUE(file->Has((*it)[1].str())) << object << " names " << (*it)[1].str();
  }
  EXPECT_GE(pages, 12);
}

TEST(HelpFile, ReportsAMissingForeignOrDamagedFile) {
  std::string error;
  EXPECT_FALSE(ChmFile::Open("/nonexistent/help.chm", error));
  EXPECT_NE(error.find("does not exist"), std::string::npos);
  EXPECT_FALSE(ChmFile::Open(TONALIX_TEST_DATA "/../HelpFileTest.cpp", error));
  EXPECT_NE(error.find("not a compiled HTML help file"), std::string::npos);

  // Inputs that once crashed the reader (found by fuzz/fuzz_chm_file): refused, or read
  // without harm.
  int regressions = 0;
  for (const auto& entry : std::filesystem::directory_iterator(TONALIX_CHM_REGRESSIONS)) {
    ++regressions;
    error.clear();
    const auto file = ChmFile::Open(entry.path().string(), error);
    if (!file) {
      EXPECT_NE(error.find("damaged"), std::string::npos) << entry.path();
      continue;
    }
    for (const auto& object : file->Objects()) file->Read(object);
  }
  EXPECT_GE(regressions, 1);
}

TEST(Sitemap, NestsListsAndSkipsWhatIsNotAnEntry) {
  const auto entries = ParseSitemap(
      "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"A &amp; B\">"
      "<param name=\"Local\" value=\"a.htm\"></object>"
      "<ul><li><OBJECT type=\"text/sitemap\"><param name=Name value=Inner></OBJECT></ul>"
      "<li><object type=\"text/site properties\"><param name=\"Name\" value=\"skip\"></object>"
      "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"C\"><param name=\"Name\" value=\"D\">"
      "<param name=\"Local\" value=\"c.htm\"></object></ul><object type=\"text/sitemap\"><param name=\"Na");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "A & B");
  EXPECT_EQ(entries[0].local, "a.htm");
  EXPECT_EQ(entries[0].depth, 0);
  EXPECT_EQ(entries[1].name, "Inner");
  EXPECT_EQ(entries[1].depth, 1);
  EXPECT_EQ(entries[2].name, "C");
  EXPECT_EQ(entries[2].local, "c.htm");
  EXPECT_EQ(entries[2].depth, 0);
}

TEST(OsVersion, ReadsTheDistributionNameAndTheKernelNumbers) {
  EXPECT_EQ(OsReleasePrettyName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsReleasePrettyName("NAME=Arch\r\n"), "Arch");
  EXPECT_EQ(OsReleasePrettyName("PRETTY_NAME=\"Say \\\"hi\\\"\"\n"), "Say \"hi\"");
  EXPECT_EQ(OsReleasePrettyName(""), "");
  unsigned major = 9, minor = 9, patch = 9;
  ParseKernelRelease("6.1.0-28-amd64", major, minor, patch);
  EXPECT_EQ(major, 6u);
  EXPECT_EQ(minor, 1u);
  EXPECT_EQ(patch, 0u);
  ParseKernelRelease("5.15", major, minor, patch);
  EXPECT_EQ(major * 100 + minor * 10 + patch, 5u * 100 + 15u * 10);
  ParseKernelRelease("weird", major, minor, patch);
  EXPECT_EQ(major + minor + patch, 0u);
}

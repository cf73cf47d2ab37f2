#include "platform/help/HelpRegistrations.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/system/ReplaceFile.h"

namespace tonalix::platform {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// One entry a line: the file name, a tab, the folder. Names and folders never hold a line
// break or a tab (Set refuses them), so the format needs no quoting.
Entries load(const std::string& path) {
  Entries entries;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) continue;
    entries.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  return entries;
}

std::string save(const std::string& path, const Entries& entries) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  if (ec) return "Cannot create the folder of " + path + ": " + ec.message();
  std::string text;
  for (const auto& [name, folder] : entries) text += name + "\t" + folder + "\n";
  return ReplaceFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool plain(const std::string& s) { return s.find_first_of("\t\r\n") == std::string::npos; }

}  // namespace

std::string HelpRegistrations::DefaultStorePath() {
  std::filesystem::path base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  return (base / "tonalix-studio" / "help-files").string();
}

HelpRegistrations::HelpRegistrations(std::string storePath) : storePath_(std::move(storePath)) {}

std::optional<HelpRegistrations::Entry> HelpRegistrations::Lookup(const std::string& fileName) const {
  if (storePath_.empty() || fileName.empty()) return std::nullopt;
  for (const auto& [name, folder] : load(storePath_))
    if (equalNoCase(name, fileName)) return Entry{name, folder};
  return std::nullopt;
}

std::string HelpRegistrations::Set(const std::string& fileName, const std::string& folder) {
  if (storePath_.empty()) return "No folder for the list of help files: HOME is not set.";
  if (fileName.empty() || !plain(fileName) || !plain(folder))
    return "A help file name or folder holds a tab or a line break.";
  Entries entries = load(storePath_);
  std::erase_if(entries, [&](const auto& e) { return equalNoCase(e.first, fileName); });
  entries.emplace_back(fileName, folder);
  return save(storePath_, entries);
}

std::string HelpRegistrations::Remove(const std::string& fileName) {
  if (storePath_.empty()) return "No folder for the list of help files: HOME is not set.";
  Entries entries = load(storePath_);
  const auto before = entries.size();
  std::erase_if(entries, [&](const auto& e) { return equalNoCase(e.first, fileName); });
  if (entries.size() == before) return {};
  return save(storePath_, entries);
}

}  // namespace tonalix::platform

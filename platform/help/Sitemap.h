// Reads the contents and index files of a help project: nested lists of entries, each an
// <object type="text/sitemap"> with Name and Local parameters.
#pragma once

#include <string>
#include <vector>

namespace tonalix::platform {

struct SitemapEntry {
  std::string name;
  std::string local;  // topic path inside the help file; empty for a heading
  int depth = 0;      // 0 for the outermost list
};

// Entries in document order. Text that is not a sitemap object is skipped, so a damaged file
// gives the entries it still holds.
std::vector<SitemapEntry> ParseSitemap(const std::string& html);

}  // namespace tonalix::platform

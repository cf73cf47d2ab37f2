#include "platform/help/Sitemap.h"

#include <algorithm>
#include <cctype>

namespace tonalix::platform {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The value of attribute name inside one tag's text, quoted or not.
std::string attribute(const std::string& tag, const std::string& lowerTag, const std::string& name) {
  std::size_t at = 0;
  while ((at = lowerTag.find(name, at)) != std::string::npos) {
    const bool boundary = at == 0 || std::isspace(static_cast<unsigned char>(lowerTag[at - 1]));
    std::size_t p = at + name.size();
    while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p]))) ++p;
    if (!boundary || p >= tag.size() || tag[p] != '=') {
      at += name.size();
      continue;
    }
    ++p;
    while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p]))) ++p;
    if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
      const char quote = tag[p];
      const std::size_t end = tag.find(quote, p + 1);
      return tag.substr(p + 1, end == std::string::npos ? std::string::npos : end - p - 1);
    }
    std::size_t end = p;
    while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) && tag[end] != '>') ++end;
    return tag.substr(p, end - p);
  }
  return {};
}

std::string decodeEntities(const std::string& s) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}};
  std::string out = s;
  for (const auto& [from, to] : kEntities) {
    const std::string f = from;
    for (std::size_t at = out.find(f); at != std::string::npos; at = out.find(f, at + 1))
      out.replace(at, f.size(), to);
  }
  return out;
}

}  // namespace

std::vector<SitemapEntry> ParseSitemap(const std::string& html) {
  std::vector<SitemapEntry> entries;
  int depth = -1;
  bool inObject = false;
  SitemapEntry current;
  std::size_t at = 0;
  while ((at = html.find('<', at)) != std::string::npos) {
    const std::size_t end = html.find('>', at);
    if (end == std::string::npos) break;
    const std::string tag = html.substr(at + 1, end - at - 1);
    const std::string low = lower(tag);
    at = end + 1;
    if (low.rfind("ul", 0) == 0) {
      ++depth;
    } else if (low.rfind("/ul", 0) == 0) {
      depth = std::max(-1, depth - 1);
    } else if (low.rfind("object", 0) == 0) {
      inObject = lower(attribute(tag, low, "type")) == "text/sitemap";
      current = SitemapEntry{};
      current.depth = std::max(0, depth);
    } else if (low.rfind("/object", 0) == 0) {
      if (inObject && !current.name.empty()) entries.push_back(current);
      inObject = false;
    } else if (inObject && low.rfind("param", 0) == 0) {
      const std::string name = lower(attribute(tag, low, "name"));
      const std::string value = decodeEntities(attribute(tag, low, "value"));
      // The first Name wins: index entries may repeat it for each topic they lead to.
      if (name == "name" && current.name.empty()) current.name = value;
      if (name == "local" && current.local.empty()) current.local = value;
    }
  }
  return entries;
}

}  // namespace tonalix::platform

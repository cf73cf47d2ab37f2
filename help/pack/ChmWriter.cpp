#include "help/pack/ChmWriter.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace tonalix::helppack {
namespace {

constexpr std::size_t kChunk = 0x1000;          // directory page: what every reader expects
constexpr std::size_t kListingHeader = 0x14;    // "PMGL" page header
constexpr std::size_t kIndexHeader = 0x08;      // "PMGI" page header
constexpr std::size_t kQuickrefEvery = 5;       // 1 + (1 << density), density 2
constexpr std::size_t kItsfHeader = 0x60;
constexpr std::size_t kHeaderSection0 = 0x18;
constexpr std::size_t kItspHeader = 0x54;

void put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8 & 0xFF));
}
void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
void put64(std::string& out, std::uint64_t v) {
  put32(out, static_cast<std::uint32_t>(v));
  put32(out, static_cast<std::uint32_t>(v >> 32));
}
void set16(std::string& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

// The directory's variable-length number: 7-bit groups, most significant first.
void putEncint(std::string& out, std::uint64_t v) {
  char groups[10];
  int n = 0;
  do {
    groups[n++] = static_cast<char>(v & 0x7F);
    v >>= 7;
  } while (v);
  while (n-- > 0) out.push_back(static_cast<char>(groups[n] | (n ? 0x80 : 0)));
}

// {7C01FD10-7BAA-11D0-9E0C-00A0C922E6EC} and its sibling ending in 11, as the header stores them.
void putItsfGuid(std::string& out, unsigned char first) {
  const unsigned char g[16] = {first, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                               0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
  out.append(reinterpret_cast<const char*>(g), sizeof g);
}

// Readers look names up page by page in the order of their case-blind comparison.
bool lessNoCase(const std::string& a, const std::string& b) {
  const auto n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int x = std::tolower(static_cast<unsigned char>(a[i]));
    const int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// The section names: only the uncompressed section 0.
std::string nameList() {
  const std::string name = "Uncompressed";
  std::string out;
  put16(out, static_cast<std::uint32_t>(2 + 1 + name.size() + 1));  // length in 16-bit words
  put16(out, 1);
  put16(out, static_cast<std::uint32_t>(name.size()));
  for (char c : name) put16(out, static_cast<unsigned char>(c));
  put16(out, 0);
  return out;
}

// One directory page: header, entries, free space, and the quick reference read from the end
// (every fifth entry's offset from the first entry, then the number of entries).
struct Page {
  std::string entries;
  std::vector<std::uint32_t> quickref;
  std::uint32_t count = 0;
  std::string firstName;

  std::size_t used(std::size_t header) const { return header + entries.size() + 2 * quickref.size() + 2; }
  bool fits(std::size_t header, const std::string& entry) const {
    const std::size_t quick = (count + 1) % kQuickrefEvery == 0 ? 2 : 0;
    return used(header) + entry.size() + quick <= kChunk;
  }
  void add(const std::string& name, const std::string& entry) {
    if (count == 0) firstName = name;
    entries += entry;
    ++count;
    if (count % kQuickrefEvery == 0) quickref.push_back(static_cast<std::uint32_t>(entries.size() - entry.size()));
  }
  std::string finish(const std::string& head) const {
    std::string page = head;
    page += entries;
    page.resize(kChunk, '\0');
    std::size_t at = kChunk - 2;
    set16(page, at, count);
    for (const auto offset : quickref) set16(page, at -= 2, offset);
    return page;
  }
};

}  // namespace

bool WriteChmContainer(const std::string& path, std::vector<ChmObject> objects, const ChmContainerOptions& options,
                       std::string& error) {
  objects.push_back({"::DataSpace/NameList", nameList()});
  std::sort(objects.begin(), objects.end(),
            [](const ChmObject& a, const ChmObject& b) { return lessNoCase(a.name, b.name); });
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (objects[i].name.empty() || (i > 0 && !lessNoCase(objects[i - 1].name, objects[i].name))) {
      error = "empty or twice-given object name \"" + objects[i].name + "\"";
      return false;
    }
  }

  // Section 0 holds the objects one after the other.
  std::string content;
  std::vector<Page> listing(1);
  for (const auto& object : objects) {
    std::string entry;
    putEncint(entry, object.name.size());
    entry += object.name;
    putEncint(entry, 0);
    putEncint(entry, object.data.empty() ? 0 : content.size());
    putEncint(entry, object.data.size());
    content += object.data;
    if (entry.size() + kListingHeader + 4 > kChunk) {
      error = "object name too long: " + object.name;
      return false;
    }
    if (!listing.back().fits(kListingHeader, entry)) listing.emplace_back();
    listing.back().add(object.name, entry);
  }

  // More than one listing page needs an index page over them, the directory's root.
  Page index;
  if (listing.size() > 1) {
    for (std::size_t i = 0; i < listing.size(); ++i) {
      std::string entry;
      putEncint(entry, listing[i].firstName.size());
      entry += listing[i].firstName;
      putEncint(entry, i);
      if (!index.fits(kIndexHeader, entry)) {
        error = "too many objects for one directory index page";
        return false;
      }
      index.add(listing[i].firstName, entry);
    }
  }
  const std::size_t chunks = listing.size() + (listing.size() > 1 ? 1 : 0);
  const std::int32_t root = listing.size() > 1 ? static_cast<std::int32_t>(listing.size()) : -1;

  std::string directory;
  directory += "ITSP";
  put32(directory, 1);
  put32(directory, kItspHeader);
  put32(directory, 0x0A);
  put32(directory, kChunk);
  put32(directory, 2);  // quick reference density
  put32(directory, listing.size() > 1 ? 2 : 1);  // depth of the index tree
  put32(directory, static_cast<std::uint32_t>(root));
  put32(directory, 0);
  put32(directory, static_cast<std::uint32_t>(listing.size() - 1));
  put32(directory, 0xFFFFFFFF);
  put32(directory, static_cast<std::uint32_t>(chunks));
  put32(directory, options.lcid);
  const unsigned char dirGuid[16] = {0x6A, 0x92, 0x02, 0x5D, 0x2E, 0x21, 0xD0, 0x11,
                                     0x9D, 0xF9, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
  directory.append(reinterpret_cast<const char*>(dirGuid), sizeof dirGuid);
  put32(directory, kItspHeader);
  for (int i = 0; i < 3; ++i) put32(directory, 0xFFFFFFFF);
  for (std::size_t i = 0; i < listing.size(); ++i) {
    std::string head = "PMGL";
    put32(head, static_cast<std::uint32_t>(kChunk - kListingHeader - listing[i].entries.size()));
    put32(head, 0);
    put32(head, i == 0 ? 0xFFFFFFFF : static_cast<std::uint32_t>(i - 1));
    put32(head, i + 1 == listing.size() ? 0xFFFFFFFF : static_cast<std::uint32_t>(i + 1));
    directory += listing[i].finish(head);
  }
  if (root >= 0) {
    std::string head = "PMGI";
    put32(head, static_cast<std::uint32_t>(kChunk - kIndexHeader - index.entries.size()));
    directory += index.finish(head);
  }

  const std::uint64_t directoryAt = kItsfHeader + kHeaderSection0;
  const std::uint64_t contentAt = directoryAt + directory.size();
  const std::uint64_t fileSize = contentAt + content.size();

  std::string header = "ITSF";
  put32(header, 3);
  put32(header, kItsfHeader);
  put32(header, 1);
  put32(header, options.timestamp);
  put32(header, options.lcid);
  putItsfGuid(header, 0x10);
  putItsfGuid(header, 0x11);
  put64(header, kItsfHeader);
  put64(header, kHeaderSection0);
  put64(header, directoryAt);
  put64(header, directory.size());
  put64(header, contentAt);
  put32(header, 0x01FE);
  put32(header, 0);
  put64(header, fileSize);
  put32(header, 0);
  put32(header, 0);

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << header << directory << content;
  out.close();
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace tonalix::helppack

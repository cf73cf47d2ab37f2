#include "platform/help/ChmFile.h"

#include <chm_lib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <system_error>

namespace tonalix::platform {
namespace {

// The tables are little-endian 32-bit fields; a short or damaged table reads as zero.
std::uint32_t u32(const std::string& data, std::size_t at) {
  if (at + 4 > data.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t u64(const std::string& data, std::size_t at) {
  return static_cast<std::uint64_t>(u32(data, at)) | static_cast<std::uint64_t>(u32(data, at + 4)) << 32;
}

std::uint16_t u16(const std::string& data, std::size_t at) {
  if (at + 2 > data.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// A zero-terminated text at an offset of #STRINGS; empty for offset 0 or one past the end.
std::string stringAt(const std::string& strings, std::uint32_t offset) {
  if (offset == 0 || offset >= strings.size()) return {};
  const char* start = strings.data() + offset;
  const std::size_t limit = strings.size() - offset;
  return std::string(start, strnlen(start, limit));
}

std::string rooted(const std::string& path) {
  if (!path.empty() && path.front() == '/') return path;
  return "/" + path;
}

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

int collect(chmFile*, chmUnitInfo* ui, void* context) {
  auto* out = static_cast<std::vector<std::string>*>(context);
  const std::string path = ui->path;
  // Internal tables start with "#" or "$" after the root; folders end with "/".
  if (path.size() > 1 && path.front() == '/' && path[1] != '#' && path[1] != '$' && path.back() != '/')
    out->push_back(path);
  return CHM_ENUMERATOR_CONTINUE;
}


constexpr std::uint64_t kFrame = 0x8000;  // LZX's frame: every compiler's block length
const std::string kStorage = "::DataSpace/Storage/MSCompressed/";

// Whether the compressed section's parameters (its ControlData) are ones a help compiler
// writes. chmlib keeps them in 32 bits and divides by (reset interval / half a window) x
// windows per reset while it opens the file, even after it has found them wrong; a zero there,
// or a product that wraps to zero, is a division by zero.
bool controlDataIsSound(const std::string& control) {
  if (control.size() < 28 || control.compare(4, 4, "LZXC") != 0) return false;
  const std::uint32_t version = u32(control, 8);
  const std::uint64_t unit = version == 2 ? 0x8000 : 1;
  const std::uint64_t resetInterval = u32(control, 12) * unit;
  const std::uint64_t window = u32(control, 16) * unit;
  const std::uint64_t windowsPerReset = u32(control, 20);
  return (version == 1 || version == 2) && window >= kFrame && window <= (1u << 21) && (window & (window - 1)) == 0 &&
         resetInterval != 0 && resetInterval <= 0xFFFFFFFFu && resetInterval % (window / 2) == 0 &&
         windowsPerReset >= 1 && windowsPerReset <= 64 && resetInterval / (window / 2) * windowsPerReset <= 0xFFFFFFFFu;
}

// How many times its size a compressed object may unpack to; LZX gains about ten times at
// best on help pages and pictures.
constexpr std::uint64_t kMaxExpansion = 64;

bool plausibleLength(int space, std::uint64_t start, std::uint64_t length, std::uint64_t fileSize) {
  // A stored object lies inside the file. A compressed one may unpack to more than the file
  // holds, but not by more than the compressor can gain on text; a directory entry that
  // claims more is damaged or crafted, and believing it would allocate without bound.
  const std::uint64_t limit = space == CHM_UNCOMPRESSED ? fileSize : fileSize * kMaxExpansion;
  return length <= limit && start <= limit - length;
}

// A 7-bit variable-length number of the directory; false when it runs past `end`.
bool encint(const std::string& data, std::size_t& at, std::size_t end, std::uint64_t& value) {
  value = 0;
  for (int i = 0; i < 9 && at < end; ++i) {
    const auto byte = static_cast<unsigned char>(data[at++]);
    value = value << 7 | (byte & 0x7F);
    if (!(byte & 0x80)) return true;
  }
  return false;
}

// chmlib walks the directory by the page numbers the file gives and never notices a page that
// leads back to itself: listing or looking up objects would then loop for ever. The directory
// is read here first, and a file whose pages do not form a chain and a tree is refused.
bool directoryIsSound(const std::string& path, std::uint64_t fileSize) {
  std::ifstream in(path, std::ios::binary);
  std::string header(0x60, '\0');
  if (!in.read(header.data(), static_cast<std::streamsize>(header.size())) || header.compare(0, 4, "ITSF") != 0)
    return false;
  const std::uint64_t dirAt = u64(header, 0x48), dirLength = u64(header, 0x50);
  if (dirAt > fileSize || dirLength > fileSize - dirAt || dirLength < 0x54) return false;
  std::string dir(static_cast<std::size_t>(dirLength), '\0');
  in.seekg(static_cast<std::streamoff>(dirAt));
  if (!in.read(dir.data(), static_cast<std::streamsize>(dir.size())) || dir.compare(0, 4, "ITSP") != 0) return false;
  const std::uint64_t headerLength = u32(dir, 8), blockLength = u32(dir, 0x10), blocks = u32(dir, 0x2C);
  const auto root = static_cast<std::int32_t>(u32(dir, 0x1C)), head = static_cast<std::int32_t>(u32(dir, 0x20));
  if (blockLength < 0x20 || headerLength > dir.size() || blockLength > dir.size() - headerLength ||
      blocks > (dir.size() - headerLength) / blockLength)
    return false;
  auto block = [&](std::uint64_t page) { return static_cast<std::size_t>(headerLength + page * blockLength); };
  auto isPage = [&](std::int64_t page, const char* kind) {
    return page >= 0 && static_cast<std::uint64_t>(page) < blocks && dir.compare(block(static_cast<std::uint64_t>(page)), 4, kind) == 0;
  };

  // The listing: a chain from the head, each page at most once.
  std::int64_t page = head;
  for (std::uint64_t steps = 0; page != -1; ++steps) {
    if (steps >= blocks || !isPage(page, "PMGL")) return false;
    page = static_cast<std::int32_t>(u32(dir, block(static_cast<std::uint64_t>(page)) + 0x10));
  }

  // The index: a tree of PMGI pages over listing pages, without a way back up.
  std::vector<char> state(static_cast<std::size_t>(blocks), 0);  // 1: on the path, 2: done
  std::function<bool(std::int64_t, int)> visit = [&](std::int64_t at, int depth) {
    if (isPage(at, "PMGL")) return true;
    if (depth > 16 || !isPage(at, "PMGI") || state[static_cast<std::size_t>(at)] == 1) return false;
    if (state[static_cast<std::size_t>(at)] == 2) return true;
    state[static_cast<std::size_t>(at)] = 1;
    const std::size_t start = block(static_cast<std::uint64_t>(at));
    const std::uint64_t free = u32(dir, start + 4);
    if (free > blockLength - 8) return false;
    const std::size_t end = start + static_cast<std::size_t>(blockLength - free);
    for (std::size_t p = start + 8; p < end;) {
      std::uint64_t nameLength = 0, child = 0;
      if (!encint(dir, p, end, nameLength) || nameLength > end - p) return false;
      p += static_cast<std::size_t>(nameLength);
      if (!encint(dir, p, end, child) || !visit(static_cast<std::int64_t>(child), depth + 1)) return false;
    }
    state[static_cast<std::size_t>(at)] = 2;
    return true;
  };
  if (root >= 0 && !visit(root, 0)) return false;

  // chmlib reads the compressed section's parameters while it opens the file: every listing
  // entry of that name, on any page the index might lead to, is checked before it does.
  const std::uint64_t dataAt = u32(header, 4) == 3 ? u64(header, 0x58) : dirAt + dirLength;
  if (dataAt > fileSize) return false;
  for (std::uint64_t b = 0; b < blocks; ++b) {
    if (!isPage(static_cast<std::int64_t>(b), "PMGL")) continue;
    const std::size_t start = block(b);
    const std::uint64_t free = u32(dir, start + 4);
    if (free > blockLength - 0x14) return false;
    const std::size_t end = start + static_cast<std::size_t>(blockLength - free);
    for (std::size_t p = start + 0x14; p < end;) {
      std::uint64_t nameLength = 0, section = 0, offset = 0, length = 0;
      if (!encint(dir, p, end, nameLength) || nameLength > end - p) return false;
      const std::string name = dir.substr(p, static_cast<std::size_t>(nameLength));
      p += static_cast<std::size_t>(nameLength);
      if (!encint(dir, p, end, section) || !encint(dir, p, end, offset) || !encint(dir, p, end, length)) return false;
      if (!equalNoCase(name, kStorage + "ControlData")) continue;
      if (section != 0 || length < 28 || length > 256 || offset > fileSize - dataAt || length > fileSize - dataAt - offset)
        return false;
      std::string control(static_cast<std::size_t>(length), '\0');
      in.clear();
      in.seekg(static_cast<std::streamoff>(dataAt + offset));
      if (!in.read(control.data(), static_cast<std::streamsize>(control.size())) || !controlDataIsSound(control))
        return false;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<ChmFile> ChmFile::Open(const std::string& path, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = "The help file " + path + " does not exist.";
    return nullptr;
  }
  const auto size = std::filesystem::file_size(path, ec);
  ::chmFile* handle = ec || !directoryIsSound(path, size) ? nullptr : chm_open(path.c_str());
  if (!handle) {
    error = "The help file " + path + " is not a compiled HTML help file or is damaged.";
    return nullptr;
  }
  // Whatever a damaged file makes fail ends here as a file that cannot be opened: the
  // viewer, and the program, go on.
  try {
    std::unique_ptr<ChmFile> file(new ChmFile(path, handle, static_cast<std::uint64_t>(size)));
    handle = nullptr;
    if (!file->compressionIsSound()) {
      error = "The help file " + path + " is not a compiled HTML help file or is damaged.";
      return nullptr;
    }
    file->readTables();
    return file;
  } catch (const std::exception&) {
    if (handle) chm_close(handle);
    error = "The help file " + path + " is not a compiled HTML help file or is damaged.";
    return nullptr;
  }
}

ChmFile::ChmFile(std::string path, ::chmFile* handle, std::uint64_t fileSize)
    : path_(std::move(path)), handle_(handle), fileSize_(fileSize) {}

ChmFile::~ChmFile() { chm_close(handle_); }

bool ChmFile::Has(const std::string& objectPath) const {
  chmUnitInfo ui;
  return chm_resolve_object(handle_, rooted(objectPath).c_str(), &ui) == CHM_RESOLVE_SUCCESS;
}

std::optional<std::string> ChmFile::Read(const std::string& objectPath) const {
  return readExact(rooted(objectPath));
}

std::optional<std::string> ChmFile::readExact(const std::string& path) const {
  chmUnitInfo ui;
  if (chm_resolve_object(handle_, path.c_str(), &ui) != CHM_RESOLVE_SUCCESS) return std::nullopt;
  if (!plausibleLength(ui.space, ui.start, ui.length, fileSize_)) return std::nullopt;
  try {
    std::string data(static_cast<std::size_t>(ui.length), '\0');
    if (ui.length == 0) return data;
    const LONGINT64 got = chm_retrieve_object(handle_, &ui,
                                              reinterpret_cast<unsigned char*>(data.data()), 0,
                                              static_cast<LONGINT64>(ui.length));
    if (got != static_cast<LONGINT64>(ui.length)) return std::nullopt;
    return data;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::vector<std::string> ChmFile::Objects() const {
  std::vector<std::string> out;
  chm_enumerate(handle_, CHM_ENUMERATE_NORMAL, collect, &out);
  return out;
}

const ChmWindowType* ChmFile::WindowType(const std::string& name) const {
  for (const auto& w : windowTypes_)
    if (equalNoCase(w.name, name)) return &w;
  return nullptr;
}

bool ChmFile::compressionIsSound() const {
  // chmlib trusts the compressed section's tables: a frame length or reset table that a help
  // compiler never writes makes its decompressor read past its buffers. Those tables are
  // stored uncompressed, so they are checked here, before anything compressed is read.
  chmUnitInfo content;
  if (chm_resolve_object(handle_, (kStorage + "Content").c_str(), &content) != CHM_RESOLVE_SUCCESS) return true;
  const auto control = readExact(kStorage + "ControlData");
  const auto reset =
      readExact(kStorage + "Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable");
  if (!control || !reset || !controlDataIsSound(*control)) return false;

  if (reset->size() < 0x28 || u32(*reset, 0) != 2 || u32(*reset, 8) != 8) return false;
  const std::uint64_t blocks = u32(*reset, 4);
  const std::uint64_t tableAt = u32(*reset, 12);
  const std::uint64_t uncompressed = u64(*reset, 16);
  const std::uint64_t compressed = u64(*reset, 24);
  if (u64(*reset, 32) != kFrame || tableAt < 0x28 || tableAt > reset->size() ||
      blocks > (reset->size() - tableAt) / 8 || compressed > content.length ||
      uncompressed > blocks * kFrame || !plausibleLength(CHM_COMPRESSED, 0, uncompressed, fileSize_))
    return false;
  std::uint64_t previous = 0;
  for (std::uint64_t i = 0; i < blocks; ++i) {
    const std::uint64_t at = u64(*reset, static_cast<std::size_t>(tableAt + 8 * i));
    if ((i == 0 && at != 0) || at < previous || at > compressed) return false;
    previous = at;
  }
  return true;
}

void ChmFile::readTables() {
  const std::string strings = Read("/#STRINGS").value_or(std::string());

  // #IVB: a byte count, then pairs of (context number, offset of the topic path in #STRINGS).
  if (const auto ivb = Read("/#IVB")) {
    const std::size_t end = std::min<std::size_t>(ivb->size(), 4 + u32(*ivb, 0));
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
      const std::string topic = stringAt(strings, u32(*ivb, at + 4));
      if (!topic.empty() && Has(topic)) contextMap_[u32(*ivb, at)] = rooted(topic);
    }
  }

  // #WINDOWS: entry count, entry size, then fixed-size entries whose texts live in #STRINGS.
  if (const auto windows = Read("/#WINDOWS")) {
    const std::uint32_t count = u32(*windows, 0);
    const std::uint32_t size = u32(*windows, 4);
    for (std::uint32_t i = 0; size >= 0x78 && i < count; ++i) {
      const std::size_t e = 8 + static_cast<std::size_t>(i) * size;
      if (e + size > windows->size()) break;
      ChmWindowType w;
      w.name = stringAt(strings, u32(*windows, e + 0x08));
      w.caption = stringAt(strings, u32(*windows, e + 0x14));
      w.left = static_cast<int>(u32(*windows, e + 0x20));
      w.top = static_cast<int>(u32(*windows, e + 0x24));
      w.right = static_cast<int>(u32(*windows, e + 0x28));
      w.bottom = static_cast<int>(u32(*windows, e + 0x2C));
      w.contentsFile = stringAt(strings, u32(*windows, e + 0x60));
      w.indexFile = stringAt(strings, u32(*windows, e + 0x64));
      w.defaultTopic = stringAt(strings, u32(*windows, e + 0x68));
      w.homeTopic = stringAt(strings, u32(*windows, e + 0x6C));
      if (!w.name.empty()) windowTypes_.push_back(std::move(w));
    }
  }

  // #SYSTEM: a version, then records of (code, length, data); code 2 is the default topic,
  // code 3 the title, code 5 the default window type.
  if (const auto system = Read("/#SYSTEM")) {
    std::size_t at = 4;
    while (at + 4 <= system->size()) {
      const std::uint16_t code = u16(*system, at);
      const std::uint16_t length = u16(*system, at + 2);
      if (at + 4 + length > system->size()) break;
      const std::string data = system->substr(at + 4, length);
      const std::string text(data.c_str());
      if (code == 2) defaultTopic_ = text;
      if (code == 3) title_ = text;
      if (code == 5) defaultWindow_ = text;
      at += 4 + length;
    }
  }
}

}  // namespace tonalix::platform

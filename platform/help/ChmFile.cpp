#include "platform/help/ChmFile.h"

#include <chm_lib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
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

}  // namespace

std::unique_ptr<ChmFile> ChmFile::Open(const std::string& path, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = "The help file " + path + " does not exist.";
    return nullptr;
  }
  ::chmFile* handle = chm_open(path.c_str());
  if (!handle) {
    error = "The help file " + path + " is not a compiled HTML help file or is damaged.";
    return nullptr;
  }
  std::unique_ptr<ChmFile> file(new ChmFile(path, handle));
  file->readTables();
  return file;
}

ChmFile::ChmFile(std::string path, ::chmFile* handle) : path_(std::move(path)), handle_(handle) {}

ChmFile::~ChmFile() { chm_close(handle_); }

bool ChmFile::Has(const std::string& objectPath) const {
  chmUnitInfo ui;
  return chm_resolve_object(handle_, rooted(objectPath).c_str(), &ui) == CHM_RESOLVE_SUCCESS;
}

std::optional<std::string> ChmFile::Read(const std::string& objectPath) const {
  chmUnitInfo ui;
  if (chm_resolve_object(handle_, rooted(objectPath).c_str(), &ui) != CHM_RESOLVE_SUCCESS)
    return std::nullopt;
  std::string data(static_cast<std::size_t>(ui.length), '\0');
  if (ui.length == 0) return data;
  const LONGINT64 got = chm_retrieve_object(handle_, &ui,
                                            reinterpret_cast<unsigned char*>(data.data()), 0,
                                            static_cast<LONGINT64>(ui.length));
  if (got != static_cast<LONGINT64>(ui.length)) return std::nullopt;
  return data;
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

std::string ChmFile::ResolveTopic(const std::string& recordedPath) const {
  if (recordedPath.empty()) return {};
  if (Has(recordedPath)) return rooted(recordedPath);
  for (std::size_t slash = recordedPath.find('/', 1); slash != std::string::npos;
       slash = recordedPath.find('/', slash + 1)) {
    const std::string tail = recordedPath.substr(slash);
    if (tail.size() > 1 && Has(tail)) return tail;
  }
  return {};
}

void ChmFile::readTables() {
  const std::string strings = Read("/#STRINGS").value_or(std::string());

  // #IVB: a byte count, then pairs of (context number, offset of the topic path in #STRINGS).
  if (const auto ivb = Read("/#IVB")) {
    const std::size_t end = std::min<std::size_t>(ivb->size(), 4 + u32(*ivb, 0));
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
      const std::string recorded = stringAt(strings, u32(*ivb, at + 4));
      const std::string topic = ResolveTopic(recorded);
      if (!topic.empty()) contextMap_[u32(*ivb, at)] = topic;
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

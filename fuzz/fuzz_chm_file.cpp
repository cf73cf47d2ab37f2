// Feeds arbitrary bytes to the compiled-help reader as a help file, then does what the viewer
// does with one: its tables, every object, the contents and the index. It must report a file
// it cannot open, never crash, hang or allocate without bound.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/help/ChmFile.h"
#include "platform/help/Sitemap.h"

namespace {

// chmlib reads from a path, so each input goes to a file of this process's own.
const std::string& scratchPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz_chm_file." + std::to_string(getpid()) + ".chm";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = scratchPath();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    const bool written = std::fwrite(data, 1, size, f) == size;
    std::fclose(f);
    if (!written) return 0;
  } else {
    return 0;
  }
  std::string error;
  const auto file = tonalix::platform::ChmFile::Open(path, error);
  if (!file) {
    if (error.empty()) std::abort();
    return 0;
  }
  for (const auto& [id, topic] : file->ContextMap())
    if (topic.empty() || topic.front() != '/') std::abort();
  std::size_t total = 0;
  for (const auto& object : file->Objects())
    if (const auto text = file->Read(object)) total += text->size();
  for (const auto& window : file->WindowTypes()) {
    for (const std::string* sitemap : {&window.contentsFile, &window.indexFile})
      if (const auto text = file->Read(*sitemap)) total += tonalix::platform::ParseSitemap(*text).size();
    total += file->Has(window.defaultTopic);
  }
  return total == static_cast<std::size_t>(-1) ? 1 : 0;
}

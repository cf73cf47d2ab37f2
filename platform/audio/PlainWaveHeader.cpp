#include "platform/audio/PlainWaveHeader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tonalix::platform {

namespace {

std::uint32_t le32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

bool MakePlainPcmHeader(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  if (!f) return false;
  // The header is small: RIFF, the reserved ds64 space (as JUNK) and fmt come first.
  unsigned char head[256];
  const std::size_t n = std::fread(head, 1, sizeof head, f);
  bool ok = true;
  if (n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
    for (std::size_t at = 12; at + 8 + 40 <= n;) {
      const std::uint32_t size = le32(head + at + 4);
      if (std::memcmp(head + at, "fmt ", 4) == 0) {
        unsigned char* fmt = head + at + 8;
        const bool extensiblePcm = size == 40 && fmt[0] == 0xFE && fmt[1] == 0xFF && fmt[24] == 1 && fmt[25] == 0;
        if (extensiblePcm) {
          fmt[0] = 1;  // WAVE_FORMAT_PCM
          fmt[1] = 0;
          const unsigned char fmtSize[4] = {16, 0, 0, 0};
          std::memcpy(head + at + 4, fmtSize, 4);
          unsigned char* junk = fmt + 16;
          std::memcpy(junk, "JUNK", 4);
          const unsigned char junkSize[4] = {16, 0, 0, 0};
          std::memcpy(junk + 4, junkSize, 4);
          std::memset(junk + 8, 0, 16);
          ok = std::fseek(f, 0, SEEK_SET) == 0 && std::fwrite(head, 1, at + 8 + 40, f) == at + 8 + 40;
        }
        break;
      }
      at += 8 + size + (size & 1);
    }
  }
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

long long FitWaveData(const std::string& path, unsigned long long dataBytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return -1;
  long long frames = -1;
  unsigned char head[512];
  struct stat st {};
  const ssize_t n = ::pread(fd, head, sizeof head, 0);
  // Until its header is first brought up to date, a take in progress starts as RF64 with its
  // sizes in a "ds64" chunk; under 4 GiB that is the same layout as RIFF with a "JUNK" chunk.
  const bool rf64 = n >= 20 && std::memcmp(head, "RF64", 4) == 0 && std::memcmp(head + 12, "ds64", 4) == 0;
  if (rf64) {
    std::memcpy(head, "RIFF", 4);
    std::memcpy(head + 12, "JUNK", 4);
  }
  if (::fstat(fd, &st) == 0 && n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
    std::uint32_t blockAlign = 0;
    for (std::size_t at = 12; at + 8 <= static_cast<std::size_t>(n);) {
      const std::uint32_t size = le32(head + at + 4);
      if (std::memcmp(head + at, "fmt ", 4) == 0 && at + 8 + 16 <= static_cast<std::size_t>(n)) {
        blockAlign = head[at + 8 + 12] | head[at + 8 + 13] << 8;
      } else if (std::memcmp(head + at, "data", 4) == 0) {
        if (blockAlign == 0) break;
        const auto start = static_cast<unsigned long long>(at + 8);
        const auto onDisk = static_cast<unsigned long long>(st.st_size) > start ? st.st_size - start : 0ull;
        unsigned long long bytes = std::min(dataBytes, onDisk);
        if (bytes > 0xFFFFFFFFull - start) break;  // an RF64 file proper: nothing to cut or fit
        bytes -= bytes % blockAlign;
        put32(head + at + 4, static_cast<std::uint32_t>(bytes));
        put32(head + 4, static_cast<std::uint32_t>(start + bytes - 8));
        if (::pwrite(fd, head, at + 8, 0) == static_cast<ssize_t>(at + 8) &&
            ::ftruncate(fd, static_cast<off_t>(start + bytes)) == 0 && ::fsync(fd) == 0)
          frames = static_cast<long long>(bytes / blockAlign);
        break;
      }
      at += 8 + size + (size & 1);
    }
  }
  if (::close(fd) != 0) frames = -1;
  if (frames >= 0 && !MakePlainPcmHeader(path)) frames = -1;
  return frames;
}

}  // namespace tonalix::platform

#include "platform/audio/PlainWaveHeader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace tonalix::platform {

namespace {

std::uint32_t le32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
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

}  // namespace tonalix::platform

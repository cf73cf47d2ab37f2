#include "platform/mci/ShortPathName.h"

#include <sys/stat.h>

#include <cstring>

namespace tonalix::platform {

std::uint32_t GetShortPathNameA(const char* longPath, char* buffer, std::uint32_t bufferLength) {
  if (!longPath || !*longPath) return 0;
  struct stat st {};
  if (::stat(longPath, &st) != 0) return 0;
  const std::size_t length = std::strlen(longPath);
  if (length >= 0xFFFFFFFFu) return 0;
  if (!buffer || length + 1 > bufferLength) return static_cast<std::uint32_t>(length + 1);
  std::memmove(buffer, longPath, length + 1);
  return static_cast<std::uint32_t>(length);
}

}  // namespace tonalix::platform

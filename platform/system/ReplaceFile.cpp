#include "platform/system/ReplaceFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tonalix::platform {

namespace {

std::string failure(const std::string& what, const std::string& path, int error) {
  return what + " \"" + path + "\": " + std::strerror(error);
}

}  // namespace

std::string ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  if (path.empty()) return "No file name given";
  // mkstemp creates the new file with O_EXCL, so it never opens through a link.
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);  // includes the terminating zero
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return failure("Cannot create a file beside", path, errno);
  const std::string partial(name.data());

  auto abandon = [&](const std::string& message) {
    ::unlink(partial.c_str());
    return message;
  };

  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return abandon(failure("Cannot write", path, error));
    }
    written += static_cast<std::size_t>(n);
  }
  // close reports delayed write errors (full disk on some file systems).
  if (::close(fd) != 0) return abandon(failure("Cannot write", path, errno));
  if (::rename(partial.c_str(), path.c_str()) != 0)
    return abandon(failure("Cannot replace", path, errno));
  return {};
}

}  // namespace tonalix::platform

#include "platform/system/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tonalix::platform {

namespace {
std::string lockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
  return "/tmp";
}
}  // namespace

SingleInstance::SingleInstance(const std::string& name)
    : path_(lockFolder() + "/" + name + "-" + std::to_string(getuid()) + ".lock") {
  // O_NOFOLLOW: a link planted at the lock path must not redirect our open.
  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;  // cannot tell: let this copy run rather than refuse to start
  int rc;
  do rc = ::flock(fd_, LOCK_EX | LOCK_NB);
  while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    previous_ = (errno == EWOULDBLOCK);
    ::close(fd_);
    fd_ = -1;
  }
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace tonalix::platform

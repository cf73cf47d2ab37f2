#include "platform/system/RecordingsFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tonalix::platform {

namespace {

std::string errnoText(const std::string& what) { return what + ": " + std::strerror(errno) + "."; }

// Creates the file exclusively with the usual permissions (0666 less the umask), as a file the
// user saves would get.
bool createExclusive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

std::string RecordingsFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.local/share";
  } else {
    base = "/tmp/tonalix-studio-" + std::to_string(::getuid());
  }
  return base + "/tonalix-studio/recordings";
}

std::string EnsureFolder(const std::string& path) {
  if (path.empty()) return "No folder was given.";
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errnoText("The folder " + part + " cannot be created");
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "The path " + path + " is not a folder.";
  return {};
}

// Tries the dated names in turn until `take` accepts one (returns true) or fails for another
// reason than the name being taken.
template <class Take>
std::string firstFreeDatedName(const std::string& folder, std::time_t when, Take take) {
  std::tm local{};
  ::localtime_r(&when, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H.%M.%S", &local);
  for (int n = 1; n < 1000; ++n) {
    const std::string name = folder + "/Recording " + stamp + (n > 1 ? " (" + std::to_string(n) + ")" : "") + ".wav";
    if (take(name)) return name;
    if (errno != EEXIST) return {};
  }
  return {};
}

std::string CreateDatedFile(const std::string& folder, std::time_t when) {
  return firstFreeDatedName(folder, when, [](const std::string& name) { return createExclusive(name); });
}

std::string RenameToDatedName(const std::string& file, const std::string& folder, std::time_t when) {
  return firstFreeDatedName(folder, when, [&](const std::string& name) {
    return ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0;
  });
}

std::vector<std::string> OrphanedWorkFiles(const std::string& folder) {
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return found;
  while (const dirent* entry = ::readdir(dir)) {
    long pid = 0;
    int n = 0, end = 0;
    if (std::sscanf(entry->d_name, ".take-%ld-%d.wav%n", &pid, &n, &end) != 2 || entry->d_name[end] != '\0') continue;
    // A process that still runs is still recording into it (another instance, a test).
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      found.push_back(folder + "/" + entry->d_name);
  }
  ::closedir(dir);
  return found;
}

std::string CreateWorkFile(const std::string& folder) {
  for (int n = 0; n < 1000; ++n) {
    const std::string name = folder + "/.take-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".wav";
    if (createExclusive(name)) return name;
    if (errno != EEXIST) return {};
  }
  return {};
}

namespace {

std::string parentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename is on the disk only once its folder is: sync it as an editor does after a save.
void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Where a save to `to` must go: `to` itself when nothing is there or a plain file is, the file
// a link points to when that is a plain file. Anything else is refused with its reason, before
// anything is opened (opening a named pipe for writing would wait for ever).
std::string resolveTarget(const std::string& to, std::string& target, struct stat& existing, bool& exists) {
  target = to;
  exists = false;
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      char* real = ::realpath(to.c_str(), nullptr);
      if (!real) return "The file " + to + " is a link to something that does not exist.";
      target = real;
      std::free(real);
      if (::stat(target.c_str(), &st) != 0) return errnoText("The file " + target + " cannot be reached");
    }
    if (S_ISDIR(st.st_mode)) return "The path " + to + " is a folder; give the recording a file name.";
    if (!S_ISREG(st.st_mode)) return "The path " + to + " is not a plain file (a device, a pipe or a socket).";
    existing = st;
    exists = true;
    return {};
  }
  if (errno != ENOENT) return errnoText("The file " + to + " cannot be reached");
  const std::string folder = parentOf(to);
  if (::stat(folder.c_str(), &st) != 0) {
    if (errno == ENOENT) return "The folder " + folder + " does not exist.";
    return errnoText("The folder " + folder + " cannot be reached");
  }
  if (!S_ISDIR(st.st_mode)) return "The path " + folder + " is not a folder.";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return errnoText("The folder " + folder + " cannot be written to");
  return {};
}

// Copies `from` into a new file beside `target` and renames it over the target, so a copy that
// fails partway leaves the old target as it was.
std::string copyOver(const std::string& from, const std::string& target, const struct stat* existing) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errnoText("The recording cannot be read");
  const std::string folder = parentOf(target);
  const std::string base = target.substr(target.rfind('/') + 1);
  std::string partial;
  int out = -1;
  for (int n = 0; n < 1000 && out < 0; ++n) {
    partial = folder + "/." + base.substr(0, 200) + "." + std::to_string(::getpid()) + "-" + std::to_string(n) + ".part";
    out = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0 && errno != EEXIST) break;
  }
  if (out < 0) {
    const std::string e = errnoText("The file " + target + " cannot be written");
    ::close(in);
    return e;
  }
  std::vector<char> buffer(1 << 16);
  std::string error;
  for (;;) {
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    if (got < 0) {
      error = errnoText("The recording cannot be read");
      break;
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0) {
        error = errnoText("The file " + target + " cannot be written");
        break;
      }
      done += put;
    }
    if (!error.empty()) break;
  }
  if (error.empty() && existing) ::fchmod(out, existing->st_mode & 07777);
  if (error.empty() && ::fsync(out) != 0) error = errnoText("The file " + target + " cannot be written");
  if (::close(out) != 0 && error.empty()) error = errnoText("The file " + target + " cannot be written");
  ::close(in);
  if (error.empty() && ::rename(partial.c_str(), target.c_str()) != 0)
    error = errnoText("The file " + target + " cannot be written");
  if (!error.empty()) {
    ::unlink(partial.c_str());
    return error;
  }
  syncFolder(folder);
  return {};
}

}  // namespace

std::string MoveFile(const std::string& from, const std::string& to) {
  if (to.empty()) return "No file name was given.";
  std::string target;
  struct stat existing {};
  bool exists = false;
  if (std::string refused = resolveTarget(to, target, existing, exists); !refused.empty()) return refused;
  // The data reaches the disk before the name points at it; a replaced file keeps its mode.
  if (const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
    if (exists) ::fchmod(fd, existing.st_mode & 07777);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    if (!synced) return errnoText("The recording cannot be written to the disk");
  }
  if (::rename(from.c_str(), target.c_str()) == 0) {
    syncFolder(parentOf(target));
    return {};
  }
  if (errno != EXDEV) return errnoText("The file " + target + " cannot be written");
  if (std::string error = copyOver(from, target, exists ? &existing : nullptr); !error.empty()) return error;
  ::unlink(from.c_str());
  return {};
}

}  // namespace tonalix::platform

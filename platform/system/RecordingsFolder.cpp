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

std::string MoveFile(const std::string& from, const std::string& to) {
  if (to.empty()) return "No file name was given.";
  struct stat target {};
  const bool exists = ::stat(to.c_str(), &target) == 0;
  // Renaming over a device node or a folder would replace it; those are written into instead.
  if (!exists || S_ISREG(target.st_mode)) {
    if (::rename(from.c_str(), to.c_str()) == 0) return {};
    if (errno != EXDEV) return errnoText("The file " + to + " cannot be written");
  }
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errnoText("The recording cannot be read");
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    const std::string e = errnoText("The file " + to + " cannot be written");
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
        error = errnoText("The file " + to + " cannot be written");
        break;
      }
      done += put;
    }
    if (!error.empty()) break;
  }
  struct stat written {};
  const bool regular = ::fstat(out, &written) == 0 && S_ISREG(written.st_mode);
  if (error.empty() && regular && ::fsync(out) != 0) error = errnoText("The file " + to + " cannot be written");
  if (::close(out) != 0 && error.empty()) error = errnoText("The file " + to + " cannot be written");
  ::close(in);
  if (!error.empty()) return error;
  ::unlink(from.c_str());
  return {};
}

}  // namespace tonalix::platform

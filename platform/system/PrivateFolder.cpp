#include "platform/system/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace tonalix::platform {

namespace {

// An environment folder is taken only when it is an absolute path; a relative one would
// depend on the current directory.
std::string absoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return {};
  return value;
}

}  // namespace

std::string DefaultPrivateFolder(const std::string& appName) {
  if (std::string runtime = absoluteEnv("XDG_RUNTIME_DIR"); !runtime.empty())
    return runtime + "/" + appName;
  if (std::string cache = absoluteEnv("XDG_CACHE_HOME"); !cache.empty())
    return cache + "/" + appName;
  if (std::string home = absoluteEnv("HOME"); !home.empty())
    return home + "/.cache/" + appName;
  return "/tmp/" + appName + "-" + std::to_string(geteuid());
}

std::string EnsurePrivateFolder(const std::string& path) {
  if (path.empty()) return "No folder name given";
  const std::filesystem::path folder(path);
  if (folder.has_parent_path()) {
    std::error_code ec;
    std::filesystem::create_directories(folder.parent_path(), ec);
    // A failure here shows up in the mkdir below with a clearer error.
  }
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    return "Cannot create the folder \"" + path + "\": " + std::strerror(errno);

  // lstat, not stat: a link planted in place of the folder must not be accepted.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0)
    return "Cannot examine the folder \"" + path + "\": " + std::strerror(errno);
  if (!S_ISDIR(st.st_mode))
    return "\"" + path + "\" is not a folder (a link or a file stands in its place)";
  if (st.st_uid != geteuid())
    return "The folder \"" + path + "\" belongs to another user";
  if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0)
    return "Cannot make the folder \"" + path + "\" private: " + std::strerror(errno);
  return {};
}

}  // namespace tonalix::platform

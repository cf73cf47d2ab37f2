// A folder of a test's own under the system's temporary folder, removed with all it holds when
// the object goes, so that no run sees what an earlier or a parallel one left.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tonalix::testing {

class ScratchDir {
 public:
  // The folder is named prefix-XXXXXX; path() is empty when none could be made.
  explicit ScratchDir(const std::string& prefix = "tonalix") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  bool made() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace tonalix::testing

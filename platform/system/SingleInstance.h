// Process-wide "previous instance" flag: true while another copy of the program runs.
// Backed by an advisory lock that the kernel drops when its holder exits or is killed.
#pragma once

#include <string>

namespace tonalix::platform {

class SingleInstance {
 public:
  // name: a short identifier of the application; the lock lives in the user's runtime folder.
  explicit SingleInstance(const std::string& name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another live process holds the lock (this process then holds nothing).
  bool PrevInstance() const { return previous_; }
  const std::string& lockPath() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool previous_ = false;
};

}  // namespace tonalix::platform

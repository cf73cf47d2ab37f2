#include "platform/system/ProgramFolder.h"

#include <system_error>
#include <filesystem>

namespace tonalix::platform {

std::string ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return exe.parent_path().string();
}

}  // namespace tonalix::platform

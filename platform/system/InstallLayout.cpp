#include "platform/system/InstallLayout.h"

#include <filesystem>
#include <system_error>

#include "platform/system/ProgramFolder.h"

namespace tonalix::platform {

namespace {

std::filesystem::path installedDataFolder(const std::filesystem::path& bin) {
  return bin.parent_path() / "share" / kInstalledDataName;
}

}  // namespace

bool IsInstalledProgram(const std::string& programFolder) {
  if (programFolder.empty()) return false;
  const std::filesystem::path bin(programFolder);
  // A build tree never has this shape: its executable lies in the build folder itself.
  if (bin.filename() != "bin") return false;
  std::error_code ec;
  return std::filesystem::is_directory(installedDataFolder(bin), ec);
}

std::string DataFolder(const std::string& programFolder) {
  if (IsInstalledProgram(programFolder)) return installedDataFolder(programFolder).string();
  return programFolder;
}

std::string DataFolder() { return DataFolder(ProgramFolder()); }

}  // namespace tonalix::platform

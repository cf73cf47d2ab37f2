#include "songs/SampleTempFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/system/InstallLayout.h"
#include "platform/system/PrivateFolder.h"
#include "platform/system/ProgramFolder.h"
#include "platform/system/ReplaceFile.h"
#include "songs/SampleSongCatalogue.h"

namespace tonalix::songs {

namespace {

std::string songFile(const std::string& folder, int index) {
  return folder + "/" + SampleTempFileName(index);
}

// The folder is used only when it is a real folder (not a link to one) of this user: a "temp"
// planted by someone else, or a link, could redirect what the program writes and deletes.
bool isOwnRealFolder(const std::string& folder) {
  struct stat st {};
  return !folder.empty() && ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid();
}

void deleteSongFiles(const std::string& folder, const std::string& keep) {
  if (!isOwnRealFolder(folder)) return;
  for (int i = 1; i <= kSampleSongCount; ++i) {
    const std::string path = songFile(folder, i);
    if (path == keep) continue;
    struct stat st {};
    // lstat: a link in the folder is removed itself; whatever it points to is left alone.
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
    ::unlink(path.c_str());
  }
}

}  // namespace

SampleTempFiles::SampleTempFiles(std::string programFolder, std::string privateFolder)
    : program_(std::move(programFolder)), private_(std::move(privateFolder)) {}

SampleTempFiles SampleTempFiles::ForThisProgram() {
  // An installed program writes nothing under its prefix, not even as root (/usr/bin/temp):
  // its songs go straight to the per-user folder.
  const std::string folder = platform::ProgramFolder();
  return SampleTempFiles(platform::IsInstalledProgram(folder) ? std::string() : folder,
                         platform::DefaultPrivateFolder(platform::kInstalledDataName));
}

std::string SampleTempFiles::programTempFolder() const {
  return program_.empty() ? std::string() : program_ + "/temp";
}

std::string SampleTempFiles::WriteInProgramFolder(const std::string& path,
                                                  std::span<const std::uint8_t> bytes) {
  const std::string folder = programTempFolder();
  // A missing "temp" folder is created rather than failing every song.
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
    return "Cannot create the folder \"" + folder + "\": " + std::strerror(errno);
  if (!isOwnRealFolder(folder))
    return "\"" + folder + "\" is a link or belongs to another user; it is not used";
  return platform::ReplaceFile(path, bytes);
}

SampleTempFiles::WriteResult SampleTempFiles::Write(int index,
                                                    std::span<const std::uint8_t> bytes) {
  WriteResult result;
  std::string programError;
  if (!usePrivate_ && !program_.empty()) {
    const std::string path = songFile(programTempFolder(), index);
    programError = WriteInProgramFolder(path, bytes);
    if (programError.empty()) {
      result.path = path;
      return result;
    }
  }
  // From here on every song goes to the private folder, so that the files of one run stay
  // together.
  usePrivate_ = true;
  std::string error = platform::EnsurePrivateFolder(private_);
  const std::string path = songFile(private_, index);
  if (error.empty()) error = platform::ReplaceFile(path, bytes);
  if (error.empty()) {
    result.path = path;
    return result;
  }
  result.error = programError.empty() ? error : programError + "\n" + error;
  return result;
}

void SampleTempFiles::DeleteAllExcept(const std::string& keep) const {
  if (!program_.empty()) deleteSongFiles(programTempFolder(), keep);
  deleteSongFiles(private_, keep);
}

}  // namespace tonalix::songs

// The temporary files the sample songs are played from: "temp/temp1" to "temp/temp20" under the
// program's folder in a build tree, in a private per-user folder for an installed program or
// when the program's folder cannot be written. Written whole and removed again at unload.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tonalix::songs {

class SampleTempFiles {
 public:
  struct WriteResult {
    std::string path;   // the file written; empty on failure
    std::string error;  // readable reason; empty on success
    bool ok() const { return error.empty(); }
  };

  // programFolder: the folder of the running program (may be empty when unknown);
  // privateFolder: the per-user fallback, created with mode 0700 when first needed.
  SampleTempFiles(std::string programFolder, std::string privateFolder);
  // The program's own folder (none when installed) and the default private folder of this user.
  static SampleTempFiles ForThisProgram();

  // Writes song index's bytes to its temporary file, replacing what was there.
  WriteResult Write(int index, std::span<const std::uint8_t> bytes);

  // Removes the twenty song files from both folders, except the one whose path equals keep.
  // A file that cannot be removed is left and the rest are still removed.
  void DeleteAllExcept(const std::string& keep) const;

  // "<programFolder>/temp"; empty when the program's folder is unknown.
  std::string programTempFolder() const;
  const std::string& privateFolder() const { return private_; }
  // True once a write has had to go to the private folder; later writes go there directly.
  bool usesPrivateFolder() const { return usePrivate_; }

 private:
  std::string WriteInProgramFolder(const std::string& path, std::span<const std::uint8_t> bytes);

  std::string program_;
  std::string private_;
  bool usePrivate_ = false;
};

}  // namespace tonalix::songs

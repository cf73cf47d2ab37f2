#include "platform/audio/UnsavedTakes.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/audio/PlainWaveHeader.h"
#include "platform/system/Diagnostics.h"
#include "platform/system/RecordingsFolder.h"

namespace tonalix::platform {

std::vector<std::string> RecoverUnsavedTakes() {
  const std::string folder = RecordingsFolder();
  std::vector<std::string> recovered;
  for (const std::string& file : OrphanedWorkFiles(folder)) {
    // The header was last brought up to date a few seconds before the end; the data after it
    // is as good, so the file is made to say all of it.
    const long long frames = FitWaveData(file);
    if (frames == 0) {
      diagnose("recorder", "removed the empty leftover take " + file);
      ::unlink(file.c_str());
      continue;
    }
    struct stat st {};
    const std::time_t when = ::stat(file.c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
    const std::string kept = RenameToDatedName(file, folder, when);
    diagnose("recorder", "leftover take " + file + (kept.empty() ? " could not be renamed" : " kept as " + kept));
    recovered.push_back(kept.empty() ? file : kept);
  }
  return recovered;
}

}  // namespace tonalix::platform

// The per-user folder where recordings are kept while they are made and where a take that
// could not be saved where the user asked is moved to, so no recording is ever lost.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace tonalix::platform {

// <XDG_DATA_HOME or ~/.local/share>/tonalix-studio/recordings. Not created here.
std::string RecordingsFolder();

// Creates the folder and its missing parents (mode 0700 for new ones). Returns an empty string
// on success, else a readable error.
std::string EnsureFolder(const std::string& path);

// A new, empty file in the folder named after the moment, "Recording 2026-12-08 17.41.03.wav"
// ("... (2).wav" and so on when taken). Returns its path, or empty when none can be created.
std::string CreateDatedFile(const std::string& folder, std::time_t when);

// Gives `file`, which lies in `folder`, the first free dated name there (as above) by a rename
// that never replaces anything and needs no new file, so it works on a full disk too. Returns
// the new path, or empty when no name could be given.
std::string RenameToDatedName(const std::string& file, const std::string& folder, std::time_t when);

// A new, empty hidden file in the folder for a take in progress; empty on failure. Its name
// holds the process id, so a take left by a process that ended without saving can be told.
std::string CreateWorkFile(const std::string& folder);

// The work files in the folder whose process is no longer running.
std::vector<std::string> OrphanedWorkFiles(const std::string& folder);

// Puts the file at `from` to `to`, synced to the disk: a rename when both lie on one file
// system, else a copy written beside `to` that then takes its name, so the old file stays
// whole when the copy fails. `to` must be a plain file, a link to one (the file it points to
// is replaced, as an editor does) or a new name in an existing folder; anything else is
// refused. Returns an empty string, or why it failed (`from` is then untouched).
std::string MoveFile(const std::string& from, const std::string& to);

}  // namespace tonalix::platform

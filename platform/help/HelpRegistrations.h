// The per-user list of registered help files: a help file's name mapped to the folder it lives
// in, so a bare name can be found wherever the file was installed. Kept in a small text file
// of our own under the user's configuration folder; only a register or unregister call writes it.
#pragma once

#include <optional>
#include <string>

namespace tonalix::platform {

class HelpRegistrations {
 public:
  // The store at <XDG_CONFIG_HOME or ~/.config>/tonalix-studio/help-files.
  static std::string DefaultStorePath();

  explicit HelpRegistrations(std::string storePath = DefaultStorePath());

  struct Entry {
    std::string fileName;  // as registered: the name the file really has on disk
    std::string folder;    // as written, with its trailing "/"
  };
  // The entry for fileName (compared without regard to case); none when not registered or
  // the store cannot be read.
  std::optional<Entry> Lookup(const std::string& fileName) const;
  // Records (or replaces) the entry. Returns an empty string on success, else a readable error.
  std::string Set(const std::string& fileName, const std::string& folder);
  // Removes the entry; removing an absent entry succeeds.
  std::string Remove(const std::string& fileName);

  const std::string& storePath() const { return storePath_; }

 private:
  std::string storePath_;
};

}  // namespace tonalix::platform

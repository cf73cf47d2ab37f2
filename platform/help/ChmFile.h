// A compiled HTML help file opened read-only through chmlib: its objects by path, and the
// compiled tables a viewer needs (the context map and the window types).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct chmFile;

namespace tonalix::platform {

// One window type as the help project defined it ([WINDOWS] section).
struct ChmWindowType {
  std::string name;
  std::string caption;
  std::string contentsFile;
  std::string indexFile;
  std::string defaultTopic;
  std::string homeTopic;
  // Outer rectangle in pixels; all 0 when the project gave none.
  int left = 0, top = 0, right = 0, bottom = 0;
};

class ChmFile {
 public:
  // Opens the file; on failure returns null and says why in error. A damaged file fails here
  // (or reads as missing objects later), never with an exception.
  static std::unique_ptr<ChmFile> Open(const std::string& path, std::string& error);
  ~ChmFile();
  ChmFile(const ChmFile&) = delete;
  ChmFile& operator=(const ChmFile&) = delete;

  const std::string& path() const { return path_; }

  // Object paths start with "/"; a path given without one is taken from the root.
  bool Has(const std::string& objectPath) const;
  // Null for a missing object and for one whose recorded length the file cannot hold.
  std::optional<std::string> Read(const std::string& objectPath) const;
  // Every normal file object (topics, pictures, contents and index), internal tables left out.
  std::vector<std::string> Objects() const;

  // Context number -> topic path, read from the compiled map (#IVB and #STRINGS), which names
  // each topic by its path inside the file; a number whose topic is missing is left out.
  const std::map<std::uint32_t, std::string>& ContextMap() const { return contextMap_; }
  // Window types in the order the project listed them (#WINDOWS and #STRINGS).
  const std::vector<ChmWindowType>& WindowTypes() const { return windowTypes_; }
  // The window type of that name (compared without regard to case), or null.
  const ChmWindowType* WindowType(const std::string& name) const;
  // The project's default topic (#SYSTEM), empty when it named none.
  const std::string& DefaultTopic() const { return defaultTopic_; }
  const std::string& Title() const { return title_; }
  // The window type a viewer takes when none is asked for (#SYSTEM), empty when none.
  const std::string& DefaultWindow() const { return defaultWindow_; }

 private:
  ChmFile(std::string path, ::chmFile* handle, std::uint64_t fileSize);
  // Whether the compressed section's own tables are ones a help compiler writes.
  bool compressionIsSound() const;
  // An object by its exact name in the archive, internal ones ("::DataSpace/...") included.
  std::optional<std::string> readExact(const std::string& path) const;
  void readTables();

  std::string path_;
  ::chmFile* handle_;
  std::uint64_t fileSize_;
  std::map<std::uint32_t, std::string> contextMap_;
  std::vector<ChmWindowType> windowTypes_;
  std::string defaultTopic_;
  std::string title_;
  std::string defaultWindow_;
};

}  // namespace tonalix::platform

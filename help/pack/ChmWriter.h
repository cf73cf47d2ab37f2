// Writes a compiled HTML help container (the ITSF archive a help viewer opens) from named
// objects. Every object is stored uncompressed: the bytes written depend only on the objects
// and the options, so the same guide gives the same file wherever it is built.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tonalix::helppack {

struct ChmObject {
  std::string name;  // "/start.htm", "/#SYSTEM", ...
  std::string data;
};

struct ChmContainerOptions {
  std::uint32_t timestamp = 0;  // recorded in the archive's header
  std::uint32_t lcid = 0x409;   // the guide's language
};

// Writes the archive to path; false with the reason in error when it cannot.
bool WriteChmContainer(const std::string& path, std::vector<ChmObject> objects, const ChmContainerOptions& options,
                       std::string& error);

}  // namespace tonalix::helppack

#include "platform/audio/SoundFontLocator.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace tonalix::platform {
namespace {

bool readable(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec) && ::access(p.c_str(), R_OK) == 0;
}

}  // namespace

std::vector<std::string> soundFontCandidates() {
  // default-GM.sf2 is the distribution's chosen GM font (a link to the best one installed).
  // .sf3 files are left out on purpose: they decompress every sample at load time (seconds).
  static const char* const kPreferred[] = {
      "/usr/share/sounds/sf2/default-GM.sf2",
      "/usr/share/sounds/sf2/FluidR3_GM.sf2",
      "/usr/share/sounds/sf2/TimGM6mb.sf2",
      "/usr/share/soundfonts/default.sf2",
      "/usr/share/soundfonts/FluidR3_GM.sf2",
      "/usr/share/sounds/sf2/GeneralUser GS.sf2",
  };
  std::vector<std::string> out;
  auto add = [&out](const std::filesystem::path& p) {
    if (!readable(p)) return;
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(p, ec).string();
    for (const auto& existing : out) {
      std::error_code ec2;
      if (std::filesystem::weakly_canonical(existing, ec2).string() == canonical) return;
    }
    out.push_back(p.string());
  };
  for (const char* p : kPreferred) add(p);

  for (const char* dir : {"/usr/share/sounds/sf2", "/usr/share/soundfonts"}) {
    std::error_code ec;
    std::vector<std::filesystem::path> found;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      if (it->path().extension() == ".sf2") found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    for (const auto& p : found) add(p);
  }
  return out;
}

std::string locateSoundFont() {
  auto candidates = soundFontCandidates();
  return candidates.empty() ? std::string() : candidates.front();
}

}  // namespace tonalix::platform

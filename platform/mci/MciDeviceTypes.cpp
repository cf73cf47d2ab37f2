#include "platform/mci/MciDeviceTypes.h"

#include "platform/mci/SequencerDevice.h"
#include "platform/mci/MciTokenizer.h"
#include "platform/mci/WaveAudioDevice.h"

namespace tonalix::platform {

namespace {

struct TypeEntry {
  const char* name;
  const char* extensions[8];
  std::unique_ptr<MciDevice> (*make)();
};

// One row per device type; a new type adds its row here.
const TypeEntry kTypes[] = {
    {"sequencer", {".mid", ".midi", ".rmi", nullptr},
     [] { return std::unique_ptr<MciDevice>(new SequencerDevice); }},
    {"waveaudio", {".wav", ".wave", ".aif", ".aiff", ".flac", ".ogg", ".oga", nullptr},
     [] { return std::unique_ptr<MciDevice>(new WaveAudioDevice); }},
};

}  // namespace

std::unique_ptr<MciDevice> MciDeviceTypes::create(std::string_view typeName) {
  for (const auto& t : kTypes) {
    if (mciEquals(typeName, t.name)) return t.make();
  }
  return nullptr;
}

bool MciDeviceTypes::isTypeName(std::string_view name) {
  for (const auto& t : kTypes) {
    if (mciEquals(name, t.name)) return true;
  }
  return false;
}

std::string_view MciDeviceTypes::typeForFile(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  const std::string_view ext = path.substr(dot);
  for (const auto& t : kTypes) {
    for (const char* e : t.extensions) {
      if (e && mciEquals(ext, e)) return t.name;
    }
  }
  return {};
}

}  // namespace tonalix::platform

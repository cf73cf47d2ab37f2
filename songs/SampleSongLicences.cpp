#include "songs/SampleSongLicences.h"

#include "platform/system/BuiltInData.h"

namespace tonalix::songs {

std::string SampleSongLicences() {
  const auto bytes = platform::FindResData(kSampleSongLicencesId, "TEXT");
  std::string text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // Items are stored padded with zero bytes; the text ends before them.
  if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
  return text;
}

}  // namespace tonalix::songs

#include "platform/audio/RecordSource.h"

#include <cstdlib>

#include "platform/audio/EngineCapture.h"
#include "platform/audio/PulseCapture.h"

namespace tonalix::platform {

std::unique_ptr<RecordSource> makeRecordSource(AudioEngine* engine, int wantedRate, std::string& error) {
  error.clear();
  const char* named = std::getenv("TONALIX_RECORD_SOURCE");
  if (named && *named) return std::make_unique<PulseCapture>(named, wantedRate);
  if (!engine) {
    error = "The built-in synthesizer is not running, so there is nothing to record.";
    return nullptr;
  }
  return std::make_unique<EngineCapture>(*engine);
}

}  // namespace tonalix::platform

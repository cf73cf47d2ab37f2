// Where a recording's frames come from: the program's own mix or a sound-server input. A
// source pushes interleaved stereo frames at its own rate into the ring it is started with.
#pragma once

#include <memory>
#include <string>

#include "platform/audio/FrameRing.h"

namespace tonalix::platform {

class AudioEngine;

class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // The rate the frames arrive at, known before start.
  virtual int sampleRate() const = 0;
  // Returns an empty string, or why capture cannot begin.
  virtual std::string start(FrameRing& ring) = 0;
  // Returns once no more frames will be pushed.
  virtual void stop() = 0;
  // Why the source stopped delivering on its own (a server restart, a device unplugged); empty
  // while it delivers. Safe to ask while it runs.
  virtual std::string lost() const { return {}; }
};

// The platform's choice: with TONALIX_RECORD_SOURCE naming a PulseAudio source ("default" for
// the desktop's default input), that input at `wantedRate`; otherwise the engine's mix (null
// when there is no engine). `error` says why no source could be made.
std::unique_ptr<RecordSource> makeRecordSource(AudioEngine* engine, int wantedRate, std::string& error);

}  // namespace tonalix::platform

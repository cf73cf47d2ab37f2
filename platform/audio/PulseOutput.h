// The desktop sound-server output on PulseAudio's asynchronous API (PipeWire serves it too):
// one real-time thread renders straight into the server's requests, pauses the stream while
// the engine is idle, and reconnects by itself when the server comes back.
#pragma once

#include <memory>

#include "platform/audio/AudioOutput.h"

namespace tonalix::platform {

// Returns nullptr when no server answers within a short, bounded wait, so the caller can fall
// back to another output.
std::unique_ptr<AudioOutput> openPulseOutput(int sampleRate, int periodFrames, RenderSource& source);

}  // namespace tonalix::platform

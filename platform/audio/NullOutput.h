// The output used when no sound server or device is available: a thread of our own renders
// in real time and throws the sound away, so the stream position advances and taps still work.
#pragma once

#include <memory>

#include "platform/audio/AudioOutput.h"

namespace tonalix::platform {

std::unique_ptr<AudioOutput> openNullOutput(int sampleRate, int periodFrames, RenderSource& source);

}  // namespace tonalix::platform

// Real audio outputs through FluidSynth's own drivers (JACK, ALSA; PulseAudio has an output of
// our own); the driver's thread calls back into the engine, which renders the mix itself.
#pragma once

#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"

namespace tonalix::platform {

// Opens the named driver ("jack", "alsa"). Returns nullptr when the driver has
// no server or device to talk to; that takes a few milliseconds, never a stall.
std::unique_ptr<AudioOutput> openServerOutput(const std::string& driver, int sampleRate,
                                              int periodFrames, RenderSource& source);

}  // namespace tonalix::platform

// The environment the sound client libraries read when they connect, set once for the whole
// process, and the JACK server probe both the audio output and the MIDI port scan use.
#pragma once

namespace tonalix::platform {

// Sets the variables the PulseAudio and JACK client libraries read. setenv is not safe while
// other threads read the environment, so call this first thing in main, before any thread
// starts; nothing else in the program writes the environment.
void PrepareSoundEnvironment();

// True when a JACK server runs. Never starts one and never stalls, whatever the environment.
bool JackServerRuns();

}  // namespace tonalix::platform

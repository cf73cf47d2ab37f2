// The synthesizer library is loaded when the engine starts, on the engine's worker, rather
// than linked into the program: it brings some sixty libraries of its own, and resolving them
// all before main() cost the window a fifth of its start-up time.
//
// The functions the engine calls keep their FluidSynth names and signatures (the engine's code
// reads as FluidSynth's own); until the library is loaded, or when it cannot be, each of them
// fails as FluidSynth reports failure: a null pointer or FLUID_FAILED.
#pragma once

#include <string>

namespace tonalix::platform {

// Loads the library once for the process. False, with the reason in `error`, when it is
// missing or lacks a function the engine calls; later calls give the same answer.
bool LoadFluidSynth(std::string& error);

}  // namespace tonalix::platform

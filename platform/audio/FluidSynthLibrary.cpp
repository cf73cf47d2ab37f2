#include "platform/audio/FluidSynthLibrary.h"

#include <dlfcn.h>
#include <fluidsynth.h>

#include <atomic>
#include <mutex>
#include <type_traits>

// Every FluidSynth function the engine uses: result, name, parameters, arguments.
#define TONALIX_FLUID_FUNCTIONS(X)                                                                  \
  X(fluid_settings_t*, new_fluid_settings, (void), ())                                              \
  X(void, delete_fluid_settings, (fluid_settings_t * s), (s))                                      \
  X(int, fluid_settings_setint, (fluid_settings_t * s, const char* n, int v), (s, n, v))          \
  X(int, fluid_settings_setnum, (fluid_settings_t * s, const char* n, double v), (s, n, v))       \
  X(int, fluid_settings_setstr, (fluid_settings_t * s, const char* n, const char* v), (s, n, v))  \
  X(fluid_log_function_t, fluid_set_log_function, (int l, fluid_log_function_t f, void* d), (l, f, d)) \
  X(fluid_synth_t*, new_fluid_synth, (fluid_settings_t * s), (s))                                   \
  X(void, delete_fluid_synth, (fluid_synth_t * s), (s))                                            \
  X(int, fluid_synth_sfload, (fluid_synth_t * s, const char* f, int r), (s, f, r))                 \
  X(int, fluid_synth_add_sfont, (fluid_synth_t * s, fluid_sfont_t* f), (s, f))                     \
  X(int, fluid_synth_remove_sfont, (fluid_synth_t * s, fluid_sfont_t* f), (s, f))                  \
  X(fluid_sfont_t*, fluid_synth_get_sfont, (fluid_synth_t * s, unsigned int n), (s, n))            \
  X(int, fluid_sfont_get_id, (fluid_sfont_t * f), (f))                                             \
  X(fluid_preset_t*, fluid_sfont_get_preset, (fluid_sfont_t * f, int b, int p), (f, b, p))         \
  X(int, fluid_preset_get_banknum, (fluid_preset_t * p), (p))                                      \
  X(int, fluid_preset_get_num, (fluid_preset_t * p), (p))                                          \
  X(int, fluid_synth_program_select, (fluid_synth_t * s, int c, int f, int b, int p), (s, c, f, b, p)) \
  X(int, fluid_synth_unset_program, (fluid_synth_t * s, int c), (s, c))                            \
  X(int, fluid_synth_pin_preset, (fluid_synth_t * s, int f, int b, int p), (s, f, b, p))           \
  X(int, fluid_synth_system_reset, (fluid_synth_t * s), (s))                                       \
  X(int, fluid_synth_noteon, (fluid_synth_t * s, int c, int k, int v), (s, c, k, v))               \
  X(int, fluid_synth_noteoff, (fluid_synth_t * s, int c, int k), (s, c, k))                        \
  X(int, fluid_synth_cc, (fluid_synth_t * s, int c, int n, int v), (s, c, n, v))                   \
  X(int, fluid_synth_key_pressure, (fluid_synth_t * s, int c, int k, int v), (s, c, k, v))         \
  X(int, fluid_synth_channel_pressure, (fluid_synth_t * s, int c, int v), (s, c, v))               \
  X(int, fluid_synth_pitch_bend, (fluid_synth_t * s, int c, int v), (s, c, v))                     \
  X(int, fluid_synth_all_notes_off, (fluid_synth_t * s, int c), (s, c))                            \
  X(int, fluid_synth_get_active_voice_count, (fluid_synth_t * s), (s))                             \
  X(int, fluid_synth_get_polyphony, (fluid_synth_t * s), (s))                                      \
  X(void, fluid_synth_get_voicelist, (fluid_synth_t * s, fluid_voice_t* b[], int n, int id), (s, b, n, id)) \
  X(int, fluid_voice_get_channel, (const fluid_voice_t* v), (v))                                   \
  X(unsigned int, fluid_voice_get_id, (const fluid_voice_t* v), (v))                               \
  X(int, fluid_synth_process, (fluid_synth_t * s, int n, int nfx, float* fx[], int nout, float* out[]), \
    (s, n, nfx, fx, nout, out))                                                                     \
  X(fluid_audio_driver_t*, new_fluid_audio_driver2, (fluid_settings_t * s, fluid_audio_func_t f, void* d), \
    (s, f, d))                                                                                      \
  X(void, delete_fluid_audio_driver, (fluid_audio_driver_t * d), (d))

namespace tonalix::platform {
namespace {

struct Functions {
#define TONALIX_POINTER(result, name, params, args) std::atomic<result(*) params> name{nullptr};
  TONALIX_FLUID_FUNCTIONS(TONALIX_POINTER)
#undef TONALIX_POINTER
};

// Filled once, by the first LoadFluidSynth(); the calls below read it without a lock, so the
// audio thread never waits on it.
Functions functions;

// What FluidSynth answers when it fails, for a call made while the library is absent.
template <class Result>
Result failed() {
  if constexpr (std::is_void_v<Result>)
    return;
  else if constexpr (std::is_pointer_v<Result>)
    return nullptr;
  else
    return static_cast<Result>(FLUID_FAILED);
}

bool load(std::string& error) {
  void* library = ::dlopen(TONALIX_FLUIDSYNTH_SONAME, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = ::dlerror();
    error = std::string("the synthesizer library ") + TONALIX_FLUIDSYNTH_SONAME + " could not be loaded (" +
            (why ? why : "unknown reason") + ")";
    return false;
  }
  // All or nothing: a library that lacks one function is not used at all. It stays loaded for
  // the rest of the process either way.
  Functions found;
#define TONALIX_FIND(result, name, params, args)                                                  \
  if (void* symbol = ::dlsym(library, #name))                                                      \
    found.name.store(reinterpret_cast<result(*) params>(symbol), std::memory_order_relaxed);       \
  else {                                                                                           \
    error = std::string("the synthesizer library ") + TONALIX_FLUIDSYNTH_SONAME + " has no " #name; \
    return false;                                                                                  \
  }
  TONALIX_FLUID_FUNCTIONS(TONALIX_FIND)
#undef TONALIX_FIND
#define TONALIX_PUBLISH(result, name, params, args) \
  functions.name.store(found.name.load(std::memory_order_relaxed), std::memory_order_release);
  TONALIX_FLUID_FUNCTIONS(TONALIX_PUBLISH)
#undef TONALIX_PUBLISH
  return true;
}

}  // namespace

bool LoadFluidSynth(std::string& error) {
  static std::once_flag once;
  static bool loaded = false;
  static std::string why;
  std::call_once(once, [] { loaded = load(why); });
  if (!loaded) error = why;
  return loaded;
}

}  // namespace tonalix::platform

// The FluidSynth functions themselves, as the engine calls them.
#define TONALIX_FORWARD(result, name, params, args)                                            \
  extern "C" result name params {                                                              \
    auto* call = tonalix::platform::functions.name.load(std::memory_order_acquire);            \
    if (!call) return tonalix::platform::failed<result>();                                     \
    return call args;                                                                          \
  }
TONALIX_FLUID_FUNCTIONS(TONALIX_FORWARD)
#undef TONALIX_FORWARD

#include "platform/system/SoundLibraryMessages.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

namespace tonalix::platform {
namespace {

void quietJack(const char*) {}
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void silenceSoundLibraryMessages() {
  static const bool once = [] {
    jack_set_error_function(quietJack);
    jack_set_info_function(quietJack);
    snd_lib_error_set_handler(quietAlsa);
    return true;
  }();
  (void)once;
}

}  // namespace tonalix::platform

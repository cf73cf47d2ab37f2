#include "platform/system/SoundEnvironment.h"

#include <jack/jack.h>

#include <cstdlib>

#include "platform/system/SoundLibraryMessages.h"

namespace tonalix::platform {

void PrepareSoundEnvironment() {
  // Without this the JACK client library tries to launch a server and stalls for seconds.
  ::setenv("JACK_NO_START_SERVER", "1", 1);
}

bool JackServerRuns() {
  silenceSoundLibraryMessages();
  jack_status_t status{};
  jack_client_t* client = jack_client_open("Tonalix probe", JackNoStartServer, &status);
  if (!client) return false;
  jack_client_close(client);
  return true;
}

}  // namespace tonalix::platform

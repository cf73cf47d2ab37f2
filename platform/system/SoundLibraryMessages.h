// The JACK and ALSA client libraries print to stderr when there is no server or card to talk
// to. Having none is normal for us (we fall back quietly and report in our own words), so
// their messages are switched off before any probing.
#pragma once

namespace tonalix::platform {

// Idempotent and thread-safe; call before opening JACK or ALSA clients.
void silenceSoundLibraryMessages();

}  // namespace tonalix::platform

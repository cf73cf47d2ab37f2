// What the program decided and why, for a user who asks with --verbose: the SoundFont found, the
// output chosen, the ports connected. Silent unless switched on. Never called from the audio
// thread: it formats and writes.
#pragma once

#include <string_view>

namespace tonalix::platform {

// Switches the messages on (the command line's --verbose) or off.
void setVerbose(bool on);
bool verbose();

// Writes one line to standard error when the messages are on; lines from several threads never
// mix. `topic` names the part that speaks ("sound", "midi", "help"...).
void diagnose(std::string_view topic, std::string_view message);

}  // namespace tonalix::platform

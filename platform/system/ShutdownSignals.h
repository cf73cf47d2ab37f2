// Turns the signals that ask a desktop program to end (SIGTERM at logout or from kill, SIGINT
// from Ctrl+C in a terminal, SIGHUP when the terminal goes away) into a readable file
// descriptor, so the event loop can end the program the orderly way, as its Exit menu does.
#pragma once

namespace tonalix::platform {

// Installs the handlers once; returns the descriptor that becomes readable (one byte per
// signal) when one arrives, or -1 when the handlers could not be installed. Call it before any
// thread starts, so that no thread is left with the default action.
int WatchShutdownSignals();

}  // namespace tonalix::platform

// Real-time scheduling for the thread that hands audio to the sound server, where the system
// allows it: directly when permitted (root, an rtprio limit), else through rtkit on desktops.
#pragma once

namespace tonalix::platform {

// Raises the calling thread to SCHED_FIFO at `priority`. False, with nothing printed and the
// thread left as it was, when neither way is open.
// A thread that then runs for 100 ms of CPU without blocking is dropped back to normal
// scheduling (SIGXCPU, handled here) well before the kernel's hard limit would kill the process.
bool makeThreadRealtime(int priority);

// How many times a thread was dropped back that way since the program started.
int realtimeDemotions();

}  // namespace tonalix::platform

// Real-time scheduling for the thread that hands audio to the sound server, where the system
// allows it: directly when permitted (root, an rtprio limit), else through rtkit on desktops.
#pragma once

namespace tonalix::platform {

// Raises the calling thread to SCHED_FIFO at `priority`. False, with nothing printed and the
// thread left as it was, when neither way is open.
bool makeThreadRealtime(int priority);

}  // namespace tonalix::platform

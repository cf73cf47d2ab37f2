// Lets an output that has paused its device while the engine is idle sleep until an event
// arrives: senders signal an eventfd only while the output is asleep, so the everyday send
// costs one uncontended atomic read-modify-write.
#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace tonalix::platform {

class OutputWake {
 public:
  OutputWake() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
  ~OutputWake() {
    if (fd_ >= 0) ::close(fd_);
  }
  OutputWake(const OutputWake&) = delete;
  OutputWake& operator=(const OutputWake&) = delete;

  // Readable while a signal is pending; -1 when the system gave no descriptor.
  int fd() const { return fd_; }

  // Output thread: from now on the next event signals the descriptor (once). Arming is a
  // read-modify-write on the word every sender also reads-modifies-writes, so either the sender
  // sees the output armed, or the output's next look at the queue sees the sender's event.
  void arm() { armed_.exchange(1, std::memory_order_acq_rel); }
  void disarm() { armed_.store(0); }
  // Output thread: consumes a pending signal.
  void clear() {
    std::uint64_t value = 0;
    if (fd_ >= 0) (void)!::read(fd_, &value, sizeof value);
  }

  // Any thread, after the event is queued; never blocks or allocates. The eventfd is
  // non-blocking and a counter, so a write cannot wait even if the output never reads.
  void notify() noexcept {
    // A read-modify-write rather than a load: it orders the caller's queue push before the look
    // at `armed_` (see arm()), where a plain load could be reordered before the push.
    if (armed_.fetch_add(0, std::memory_order_acq_rel) == 0) return;
    if (armed_.exchange(0, std::memory_order_acq_rel) == 0) return;
    const std::uint64_t one = 1;
    if (fd_ >= 0) (void)!::write(fd_, &one, sizeof one);
  }

 private:
  int fd_;
  std::atomic<int> armed_{0};
};

}  // namespace tonalix::platform

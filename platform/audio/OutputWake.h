// Lets an output that has paused its device while the engine is idle sleep until an event
// arrives: senders signal an eventfd only while the output is asleep, so the everyday send
// costs one atomic load.
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

  // Output thread: from now on the next event signals the descriptor (once).
  void arm() { armed_.store(true); }
  void disarm() { armed_.store(false); }
  // Output thread: consumes a pending signal.
  void clear() {
    std::uint64_t value = 0;
    if (fd_ >= 0) (void)!::read(fd_, &value, sizeof value);
  }

  // Any thread, after the event is queued; never blocks or allocates. The eventfd is
  // non-blocking and a counter, so a write cannot wait even if the output never reads.
  void notify() noexcept {
    // Orders the caller's queue push before the look at `armed_`; with the output arming
    // before its last look at the queue, one of the two always sees the other.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (!armed_.load() || !armed_.exchange(false)) return;
    const std::uint64_t one = 1;
    if (fd_ >= 0) (void)!::write(fd_, &one, sizeof one);
  }

 private:
  int fd_;
  std::atomic<bool> armed_{false};
};

}  // namespace tonalix::platform

// Bounded lock-free queue of timed MIDI events: many producers (UI thread, sequencer thread),
// one consumer (the audio callback). Never allocates after construction, never blocks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace tonalix::platform {

struct TimedEvent {
  std::uint64_t frame = 0;    // output frame the event applies at
  std::uint32_t message = 0;  // short message
  // The engine's command counters when the event was sent: tells the audio thread whether the
  // event came before or after an "all notes off" or "cancel scheduled" request.
  std::uint64_t commands = 0;
  // A program change resolved by the sender to this exact preset (bank -1: not resolved).
  std::int16_t presetBank = -1;
  std::uint8_t presetNumber = 0;
};

// A ring of cells each carrying a sequence number (the classic bounded MPMC design restricted
// to one consumer): a producer claims a slot with one CAS on the tail and publishes it by
// bumping the cell's sequence, so the consumer never sees a half-written event.
class EventQueue {
 public:
  explicit EventQueue(std::size_t capacityPowerOfTwo = 4096)
      : mask_(roundUp(capacityPowerOfTwo) - 1), cells_(new Cell[mask_ + 1]) {
    for (std::size_t i = 0; i <= mask_; ++i) cells_[i].sequence.store(i, std::memory_order_relaxed);
  }
  EventQueue(const EventQueue&) = delete;
  EventQueue& operator=(const EventQueue&) = delete;

  std::size_t capacity() const { return mask_ + 1; }

  // Any thread. False when the queue is full; the event is then dropped by the caller.
  bool push(const TimedEvent& event) {
    std::size_t pos = tail_.load(std::memory_order_relaxed);
    for (;;) {
      Cell& cell = cells_[pos & mask_];
      const std::size_t seq = cell.sequence.load(std::memory_order_acquire);
      const auto diff = static_cast<std::intptr_t>(seq) - static_cast<std::intptr_t>(pos);
      if (diff == 0) {
        if (tail_.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) {
          cell.event = event;
          cell.sequence.store(pos + 1, std::memory_order_release);
          return true;
        }
      } else if (diff < 0) {
        return false;  // full: the consumer has not freed this cell yet
      } else {
        pos = tail_.load(std::memory_order_relaxed);
      }
    }
  }

  // Consumer thread only.
  bool pop(TimedEvent& event) {
    Cell& cell = cells_[head_ & mask_];
    const std::size_t seq = cell.sequence.load(std::memory_order_acquire);
    if (static_cast<std::intptr_t>(seq) - static_cast<std::intptr_t>(head_ + 1) < 0) return false;
    event = cell.event;
    cell.sequence.store(head_ + mask_ + 1, std::memory_order_release);
    ++head_;
    return true;
  }

 private:
  struct Cell {
    std::atomic<std::size_t> sequence{0};
    TimedEvent event;
  };

  static std::size_t roundUp(std::size_t n) {
    std::size_t p = 2;
    while (p < n) p <<= 1;
    return p;
  }

  const std::size_t mask_;
  std::unique_ptr<Cell[]> cells_;
  alignas(64) std::atomic<std::size_t> tail_{0};
  alignas(64) std::size_t head_ = 0;
};

}  // namespace tonalix::platform

// The order in which timed events and the engine's two commands ("all notes off", "cancel
// scheduled") reach the synthesizer: senders on any thread queue events stamped with the
// commands they follow; the audio thread takes them in once per block, keeps the later ones
// sorted by frame, drops those a cancel made stale, holds back what cannot be applied yet, and
// hands each event to a sink at its frame. It knows nothing of the synthesizer, so it can be
// driven block by block without one.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/audio/EventQueue.h"

namespace tonalix::platform {

class EventSchedule {
 public:
  static constexpr std::size_t kQueueCapacity = 4096;
  static constexpr std::size_t kPendingCapacity = 4096;

  // What the audio thread does with the events as their frames come. Called on the audio thread
  // only, from inside runBlock(); must not block or allocate.
  class Sink {
   public:
    // Applies `event` at `frame`. False, and nothing done, when it cannot be applied now: it
    // and every event after it wait for the next block, in order.
    virtual bool apply(const TimedEvent& event, std::uint64_t frame) noexcept = 0;
    // The event leaves without being applied (stale after a cancel, or nothing can sound).
    virtual void retire(const TimedEvent& event) noexcept = 0;
    virtual void allNotesOff() noexcept = 0;
    // Renders the frames [from, to) with what has been applied so far.
    virtual void renderSpan(std::uint64_t from, std::uint64_t to) noexcept = 0;

   protected:
    ~Sink() = default;
  };

  EventSchedule() = default;
  EventSchedule(const EventSchedule&) = delete;
  EventSchedule& operator=(const EventSchedule&) = delete;

  // --- Senders (any thread; never block, never allocate) ---

  // Queues `event` (its `commands` is stamped here) for its frame; 0 and frames already past
  // mean the next block. False only when the queue is full. Inline, and the stamped event built
  // in one go rather than copied and patched: a key press pays for every store here.
  bool send(const TimedEvent& event) {
    // The stamp is read before the push: a command this thread requested earlier is always
    // counted in it, so the event is ordered after that command.
    return queue_.push({event.frame, event.message, commands_.load(std::memory_order_acquire),
                        event.presetBank, event.presetNumber});
  }
  // Counters rather than queue entries, so a full queue never loses them. Both take effect
  // between the events this thread sent before and those it sends after.
  void requestAllNotesOff();
  void requestCancel();

  // --- Before the audio thread runs (the starting thread is then the only reader) ---

  // Forgets what an earlier run left in the schedule; with `dropQueued`, what waits in the
  // queue too. Commands requested before now are taken as done.
  void reset(bool dropQueued);
  // Takes in what was sent so far, in order: `resolve(event)` may complete each one first.
  // Events for frame 0 come before any other at the first block.
  template <typename Resolve>
  void adoptQueued(Resolve resolve) {
    // Other threads keep sending meanwhile: what does not fit stays queued for the audio thread.
    TimedEvent event;
    while (pendingCount_ < kPendingCapacity && carriedCount_ < kQueueCapacity && queue_.pop(event)) {
      resolve(event);
      if (event.frame > 0) insertPending(event);
      else carried_[carriedCount_++] = event;
    }
  }

  // --- Audio thread ---

  // The block of `frames` frames starting at frame `start`: events due by `start` are applied
  // first, later ones at their frame between rendered spans. When `sounding` is false nothing
  // is applied or rendered, but due events are still retired so the queue never clogs.
  void runBlock(std::uint64_t start, std::uint64_t frames, bool sounding, Sink& sink) noexcept;
  // True while an event waits for a later block.
  bool waiting() const noexcept { return pendingCount_ > 0 || carriedCount_ > 0; }

 private:
  bool drainQueue(std::uint64_t blockStart, bool sounding, Sink& sink) noexcept;
  void dropStale(std::uint32_t cancels, Sink& sink) noexcept;
  void insertPending(const TimedEvent& event) noexcept;

  EventQueue queue_{kQueueCapacity};
  std::atomic<std::uint64_t> commands_{0};

  // Audio-thread state: events taken from the queue, kept sorted by frame (stable), and due
  // events held back for the next block, in order.
  std::array<TimedEvent, kPendingCapacity> pending_{};
  std::size_t pendingCount_ = 0;
  std::array<TimedEvent, kQueueCapacity> carried_{};
  std::size_t carriedCount_ = 0;
  std::uint64_t commandsSeen_ = 0;
};

}  // namespace tonalix::platform

#include "platform/audio/EventSchedule.h"

#include <algorithm>

namespace tonalix::platform {
namespace {

// The two commands are counters rather than queue entries, so a full queue can never lose
// them: "cancel scheduled" counts in the low half, "all notes off" in the high half.
constexpr std::uint64_t kCancelStep = 1;
constexpr std::uint64_t kOffStep = std::uint64_t{1} << 32;
std::uint32_t cancelCount(std::uint64_t commands) { return static_cast<std::uint32_t>(commands); }
std::uint32_t offCount(std::uint64_t commands) { return static_cast<std::uint32_t>(commands >> 32); }
// Wrap-safe "a was counted before b".
bool before(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }

}  // namespace

void EventSchedule::requestAllNotesOff() { commands_.fetch_add(kOffStep, std::memory_order_acq_rel); }

void EventSchedule::requestCancel() { commands_.fetch_add(kCancelStep, std::memory_order_acq_rel); }

void EventSchedule::reset(bool dropQueued) {
  pendingCount_ = 0;
  carriedCount_ = 0;
  commandsSeen_ = commands_.load(std::memory_order_acquire);
  TimedEvent stale;
  while (dropQueued && queue_.pop(stale)) {
  }
}

void EventSchedule::insertPending(const TimedEvent& event) noexcept {
  // Insert after every event with a frame <= event.frame so equal frames keep arrival order.
  std::size_t i = pendingCount_;
  while (i > 0 && pending_[i - 1].frame > event.frame) {
    pending_[i] = pending_[i - 1];
    --i;
  }
  pending_[i] = event;
  ++pendingCount_;
}

void EventSchedule::runBlock(std::uint64_t start, std::uint64_t frames, bool sounding, Sink& sink) noexcept {
  bool held = drainQueue(start, sounding, sink);
  const std::uint64_t end = start + frames;
  std::size_t next = 0;
  if (sounding) {
    std::uint64_t cur = start;
    while (cur < end) {
      while (!held && next < pendingCount_ && pending_[next].frame <= cur) {
        if (!sink.apply(pending_[next], cur)) {
          held = true;  // it and the later ones play from the next block on
          break;
        }
        ++next;
      }
      std::uint64_t stop = end;
      if (!held && next < pendingCount_ && pending_[next].frame < end) stop = pending_[next].frame;
      sink.renderSpan(cur, stop);
      cur = stop;
    }
  } else {
    // Nothing can sound; still consume due events so the queue never clogs.
    while (next < pendingCount_ && pending_[next].frame < end) sink.retire(pending_[next++]);
  }
  if (next > 0) {
    std::copy(pending_.begin() + static_cast<std::ptrdiff_t>(next),
              pending_.begin() + static_cast<std::ptrdiff_t>(pendingCount_), pending_.begin());
    pendingCount_ -= next;
  }
}

// blockStart: the frame the block about to be rendered starts at. Events due by then play at
// once in arrival order (a live note never pays a sorted insertion); later ones wait in
// `pending_`. Commands requested since the last block take effect between the events that were
// sent before them and those sent after. Returns true when an event had to wait for the next
// block: it and everything after it stay in order, in `carried_` and in the queue.
bool EventSchedule::drainQueue(std::uint64_t blockStart, bool sounding, Sink& sink) noexcept {
  const std::uint64_t now = commands_.load(std::memory_order_acquire);
  const std::uint32_t cancels = cancelCount(now);
  const std::uint32_t offs = offCount(now);
  if (cancelCount(commandsSeen_) != cancels) dropStale(blockStart, cancels, sink);
  bool offDue = offCount(commandsSeen_) != offs;
  auto playDue = [&](const TimedEvent& ev) {
    if (offDue && !before(offCount(ev.commands), offs)) {
      if (sounding) sink.allNotesOff();
      offDue = false;
    }
    if (!sounding) {
      sink.retire(ev);
      return true;
    }
    return sink.apply(ev, blockStart);
  };
  bool blocked = false;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < carriedCount_; ++i) {
    if (!blocked && playDue(carried_[i])) continue;
    blocked = true;
    carried_[kept++] = carried_[i];
  }
  carriedCount_ = kept;
  TimedEvent ev;
  while (!blocked && pendingCount_ < kPendingCapacity && queue_.pop(ev)) {
    if (ev.frame > blockStart) {
      if (!before(cancelCount(ev.commands), cancels)) insertPending(ev);
      else sink.retire(ev);
      continue;
    }
    if (!playDue(ev)) {
      blocked = true;
      carried_[carriedCount_++] = ev;
    }
  }
  if (offDue && !blocked) {
    if (sounding) sink.allNotesOff();
    offDue = false;
  }
  // An "all notes off" still waiting behind a held-back event stays due.
  constexpr std::uint64_t kOffMask = ~std::uint64_t{0xFFFFFFFFu};
  commandsSeen_ = ((offDue ? commandsSeen_ : now) & kOffMask) | (now & ~kOffMask);
  return blocked;
}

// Drops the events of frames not yet reached that were sent before the latest cancel;
// earlier frames are due and stay.
void EventSchedule::dropStale(std::uint64_t frame, std::uint32_t cancels, Sink& sink) noexcept {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < pendingCount_; ++i) {
    if (pending_[i].frame < frame || !before(cancelCount(pending_[i].commands), cancels))
      pending_[kept++] = pending_[i];
    else
      sink.retire(pending_[i]);
  }
  pendingCount_ = kept;
}

}  // namespace tonalix::platform

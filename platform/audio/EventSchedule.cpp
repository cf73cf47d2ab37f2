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
// `pending_`. A command takes effect after every event sent before it and before every event
// sent after it: each event's stamp says which commands came before it, so one requested while
// this block takes events in still goes before the events that follow it. Returns true when an
// event had to wait for the next block: it and everything after it stay in order, in
// `pending_`, `carried_` and the queue, and a command sent after them waits behind them.
bool EventSchedule::drainQueue(std::uint64_t blockStart, bool sounding, Sink& sink) noexcept {
  const std::uint64_t now = commands_.load(std::memory_order_acquire);
  std::uint32_t cancels = cancelCount(commandsSeen_);
  std::uint32_t offsDone = offCount(commandsSeen_);
  auto catchUp = [&](std::uint64_t stamp) {
    if (before(cancels, cancelCount(stamp))) {
      cancels = cancelCount(stamp);
      dropStale(cancels, sink);
    }
    if (before(offsDone, offCount(stamp))) {
      if (sounding) sink.allNotesOff();
      offsDone = offCount(stamp);
    }
  };
  auto playDue = [&](const TimedEvent& ev) {
    catchUp(ev.commands);
    if (!sounding) {
      sink.retire(ev);
      return true;
    }
    return sink.apply(ev, blockStart);
  };
  // A cancel only ever drops what was scheduled before it, so it need not wait for its turn.
  if (before(cancels, cancelCount(now))) {
    cancels = cancelCount(now);
    dropStale(cancels, sink);
  }
  bool blocked = false;
  // Held back inside an earlier block: they were taken in before anything still queued.
  std::size_t next = 0;
  while (!blocked && next < pendingCount_ && pending_[next].frame <= blockStart) {
    if (playDue(pending_[next])) ++next;
    else blocked = true;
  }
  if (next > 0) {
    std::copy(pending_.begin() + static_cast<std::ptrdiff_t>(next),
              pending_.begin() + static_cast<std::ptrdiff_t>(pendingCount_), pending_.begin());
    pendingCount_ -= next;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < carriedCount_; ++i) {
    if (!blocked && playDue(carried_[i])) continue;
    blocked = true;
    carried_[kept++] = carried_[i];
  }
  carriedCount_ = kept;
  TimedEvent ev;
  while (!blocked && pendingCount_ < kPendingCapacity && queue_.pop(ev)) {
    if (ev.frame > 0 && before(cancelCount(ev.commands), cancels)) {
      sink.retire(ev);
      continue;
    }
    if (ev.frame > blockStart) {
      catchUp(ev.commands);
      insertPending(ev);
      continue;
    }
    if (!playDue(ev)) {
      blocked = true;
      carried_[carriedCount_++] = ev;
    }
  }
  // Commands with no event after them yet take effect now, unless an event sent before them
  // is still held back.
  if (!blocked) catchUp(now);
  commandsSeen_ = (std::uint64_t{offsDone} << 32) | cancels;
  return blocked;
}

// Drops what was scheduled for a frame (rather than for "now") before the latest cancel,
// whether its frame is still to come or it is held back, already due: after a song stops
// none of its notes may start.
void EventSchedule::dropStale(std::uint32_t cancels, Sink& sink) noexcept {
  auto stale = [cancels](const TimedEvent& e) { return e.frame > 0 && before(cancelCount(e.commands), cancels); };
  std::size_t kept = 0;
  for (std::size_t i = 0; i < pendingCount_; ++i) {
    if (stale(pending_[i])) sink.retire(pending_[i]);
    else pending_[kept++] = pending_[i];
  }
  pendingCount_ = kept;
  kept = 0;
  for (std::size_t i = 0; i < carriedCount_; ++i) {
    if (stale(carried_[i])) sink.retire(carried_[i]);
    else carried_[kept++] = carried_[i];
  }
  carriedCount_ = kept;
}

}  // namespace tonalix::platform

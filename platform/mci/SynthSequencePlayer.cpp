#include "platform/mci/SynthSequencePlayer.h"

#include <algorithm>
#include <chrono>

#include "platform/mci/MidiSequence.h"

namespace tonalix::platform {

SynthSequencePlayer::SynthSequencePlayer(AudioEngine& engine)
    : ownOutput_(std::make_unique<AudioEngineScheduler>(engine)), output_(*ownOutput_) {}

SynthSequencePlayer::SynthSequencePlayer(FrameScheduler& output) : output_(output) {}

SynthSequencePlayer::~SynthSequencePlayer() { stop(); }

std::uint64_t SynthSequencePlayer::frameAtMicros(std::uint64_t micros) const {
  const std::uint64_t since = micros > baseMicros_ ? micros - baseMicros_ : 0;
  const unsigned __int128 scaled = static_cast<unsigned __int128>(since) * rate_ + 500000u;
  return startFrame_ + static_cast<std::uint64_t>(scaled / 1000000u);
}

std::uint64_t SynthSequencePlayer::frameOf(std::size_t i) const {
  return frameAtMicros(sequence_->events[i].micros);
}

void SynthSequencePlayer::schedule(std::uint32_t message, std::uint64_t frame) {
  output_.schedule(message, frame);
}

void SynthSequencePlayer::start(const MidiSequence& sequence, std::size_t fromIndex) {
  stop();
  sequence_ = &sequence;
  fromIndex = std::min(fromIndex, sequence.events.size());
  // Every instrument the song chooses is loaded before it starts, so that none is loaded
  // while it plays: a load then would hold up the song's own changes on the audio thread (the
  // two synthesizers share the SoundFont's samples) and put its timing out. Instruments kept
  // ahead of time (the sample songs') are ready already: such a song starts at once.
  output_.prepareInstruments(sequence.instrumentChoices());
  rate_ = static_cast<std::uint64_t>(std::max(1, output_.sampleRate()));
  // From the beginning the song keeps its opening silence; a resume starts at the next event.
  baseMicros_ = fromIndex > 0 && fromIndex < sequence.events.size() ? sequence.events[fromIndex].micros : 0;
  startFrame_ = output_.framePosition() +
                static_cast<std::uint64_t>(kLeadSeconds * static_cast<double>(rate_));
  endFrame_ = frameAtMicros(std::max(sequence.durationMicros, baseMicros_));
  notes_.clear();
  next_.store(fromIndex, std::memory_order_release);
  finished_.store(false, std::memory_order_release);
  scheduledUntil_.store(startFrame_, std::memory_order_release);
  lateEvents_.store(0, std::memory_order_relaxed);
  maxLateFrames_.store(0, std::memory_order_relaxed);
  // Channel set-up from the part of the song that is skipped.
  for (std::uint32_t message : sequence.chaseBefore(fromIndex)) schedule(message, startFrame_);
  {
    std::lock_guard lock(mutex_);
    stopRequested_ = false;
  }
  // The opening is queued here rather than when the feeder first wakes, so the short lead
  // holds however late that is.
  feed();
  thread_ = std::thread([this] { run(); });
}

std::size_t SynthSequencePlayer::feed() {
  const auto& events = sequence_->events;
  std::size_t next = next_.load(std::memory_order_relaxed);
  const auto aheadFrames = static_cast<std::uint64_t>(kAheadSeconds * static_cast<double>(rate_));
  const std::uint64_t position = output_.framePosition();
  const std::uint64_t horizon = position + aheadFrames;
  std::size_t handed = 0;
  while (next < events.size() && handed < kMaxPerPass) {
    const std::uint64_t frame = frameOf(next);
    if (frame >= horizon) break;
    if (!output_.schedule(events[next].message, frame)) break;  // queue full
    if (frame < position) {
      lateEvents_.fetch_add(1, std::memory_order_relaxed);
      const std::uint64_t late = position - frame;
      if (late > maxLateFrames_.load(std::memory_order_relaxed)) {
        maxLateFrames_.store(late, std::memory_order_relaxed);
      }
    }
    notes_.track(events[next].message);
    ++next;
    ++handed;
  }
  next_.store(next, std::memory_order_release);
  scheduledUntil_.store(next < events.size() ? frameOf(next) : UINT64_MAX, std::memory_order_release);
  if (next >= events.size() && position >= endFrame_) finished_.store(true, std::memory_order_release);
  return handed;
}

void SynthSequencePlayer::run() {
  for (;;) {
    const std::size_t handed = feed();
    if (finished_.load(std::memory_order_relaxed)) return;
    std::unique_lock lock(mutex_);
    // A full pass means more is due now; otherwise wait for the rendering to move on.
    const auto pause = handed == kMaxPerPass ? std::chrono::milliseconds(0)
                                             : std::chrono::milliseconds(kPassMillis);
    if (wake_.wait_for(lock, pause, [this] { return stopRequested_; })) return;
  }
}

void SynthSequencePlayer::stop() {
  if (!thread_.joinable()) return;
  output_.releaseInstruments();
  {
    std::lock_guard lock(mutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
  thread_.join();

  // What was queued ahead is dropped before it is heard, and what sounds now is cut at the
  // start of the next block: no note of the song starts after the stop.
  output_.cancelScheduled();
  const std::uint64_t position = output_.framePosition();
  output_.allNotesOff();
  std::size_t resume = next_.load(std::memory_order_acquire);
  for (std::size_t i = resume; i-- > 0;) {
    if (frameOf(i) < position) break;
    resume = i;  // cut off before it was heard: a later start plays it again
  }
  next_.store(resume, std::memory_order_release);
  // The song's own note-offs were dropped with the rest: release what it left sounding.
  notes_.forEachNoteOff([&](std::uint32_t m) { schedule(m, position); });
  SoundingNotes::forEachChannelReset([&](std::uint32_t m) { schedule(m, position); });
  notes_.clear();
}

}  // namespace tonalix::platform

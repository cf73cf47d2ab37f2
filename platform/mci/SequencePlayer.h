// Plays a MidiSequence on one output in the background. One implementation per kind of
// output: the built-in synthesizer (sample-accurate scheduling) and external MIDI ports
// (a real-time dispatch thread).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tonalix::platform {

struct MidiSequence;

class SequencePlayer {
 public:
  virtual ~SequencePlayer() = default;
  // Starts playing from event `fromIndex` (0: the beginning). The sequence must outlive the
  // player. Channel set-up before fromIndex is sent first.
  virtual void start(const MidiSequence& sequence, std::size_t fromIndex) = 0;
  // Halts playback, releases every note the song left sounding and joins the thread.
  // Returns promptly; harmless when already stopped.
  virtual void stop() = 0;
  // True once the song has played to its end (its last event and its end time have passed).
  virtual bool finished() const = 0;
  // The first event not yet played; where a later start resumes.
  virtual std::size_t nextIndex() const = 0;
};

}  // namespace tonalix::platform

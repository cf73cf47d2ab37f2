// Plays what a MIDI keyboard sends: each message goes to the window's output at once, from the
// input thread, and the notes it holds show on the on-screen keys, drawn on the user-interface
// thread. During a sample song the first note takes the output back, as a key press does.
#pragma once

#include <QObject>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "keyboard/KeyGeometry.h"
#include "midi/MidiState.h"
#include "platform/midiin/MidiInput.h"

namespace tonalix::keyboard {

class PianoKeyboard;

class MidiKeyboardInput : public QObject {
  Q_OBJECT
 public:
  MidiKeyboardInput(MidiState& midi, PianoKeyboard& piano, QObject* parent = nullptr);
  ~MidiKeyboardInput() override;

  // Opens the input ports; false when the machine has neither MIDI system (no message).
  bool Start();
  // Closes the ports and releases the notes they still hold.
  void Stop();
  const platform::MidiInput& input() const { return input_; }

  // The path of every incoming channel message, with the source it came from; safe on any
  // thread.
  void Receive(std::uint32_t message, platform::MidiSourceId source = 0);
  // Ends every sound the source started (it went away): on each channel it used, the sustain,
  // sostenuto and soft pedals go up, then its held notes end. Safe on any thread.
  void ReleaseSource(platform::MidiSourceId source);
  // As ReleaseSource(), for every source.
  void ReleaseAll();
  // Messages dropped because the user-interface thread fell behind (never a release).
  std::uint64_t DroppedMessages() const { return dropped_.load(std::memory_order_relaxed); }

  // True while the input holds the note of on-screen key index (user-interface thread).
  bool IsKeyLit(int index) const;

 private:
  void forwardLocked(std::uint32_t message);
  void drainBacklog();
  void redrawKeys();
  void queueRedraw();

  MidiState& midi_;
  PianoKeyboard& piano_;

  std::mutex mutex_;
  // What a source holds: per note, one bit for each channel holding it, and one bit per
  // channel it played on since its last release.
  struct SourceNotes {
    std::array<std::uint16_t, 128> held{};
    std::uint16_t channelsUsed = 0;
  };
  std::unordered_map<platform::MidiSourceId, SourceNotes> sources_;
  void releaseLocked(SourceNotes& notes);
  bool heldLocked(int note) const;
  // Messages the input thread could not send itself: while a song holds the output, or while
  // the output is being reopened. The user-interface thread sends them in order.
  std::vector<std::uint32_t> backlog_;
  bool drainQueued_ = false;
  std::atomic<bool> redrawQueued_{false};
  std::atomic<std::uint64_t> dropped_{0};

  std::array<bool, kKeyCount> lit_{};  // user-interface thread only

  platform::MidiInput input_;  // last: its threads stop before the state above goes
};

}  // namespace tonalix::keyboard

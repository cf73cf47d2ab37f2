#include "keyboard/MidiKeyboardInput.h"

#include "keyboard/PianoKeyboard.h"
#include "platform/midi/ShortMessage.h"

namespace tonalix::keyboard {

using namespace platform;

namespace {

// A user-interface thread that stalls for seconds must not make the input grow without bound.
constexpr std::size_t kMaxBacklog = 4096;

bool isNoteOn(std::uint32_t message) { return ShortMessage::unpack(message).isNoteOn(); }

}  // namespace

MidiKeyboardInput::MidiKeyboardInput(MidiState& midi, PianoKeyboard& piano, QObject* parent)
    : QObject(parent),
      midi_(midi),
      piano_(piano),
      input_({[this](MidiSourceId source, std::uint32_t message) { Receive(message, source); },
              [this](MidiSourceId source) { ReleaseSource(source); }}) {
  backlog_.reserve(256);
}

MidiKeyboardInput::~MidiKeyboardInput() { input_.close(); }

bool MidiKeyboardInput::Start() { return input_.open() > 0; }

void MidiKeyboardInput::Stop() {
  input_.close();
  ReleaseAll();
}

void MidiKeyboardInput::Receive(std::uint32_t message, MidiSourceId source) {
  const ShortMessage m = ShortMessage::unpack(message);
  switch (m.kind()) {
    case ShortMessage::kNoteOff: case ShortMessage::kNoteOn: case ShortMessage::kControlChange:
    case ShortMessage::kProgramChange: case ShortMessage::kChannelPressure: case ShortMessage::kPitchBend:
      break;
    default:
      return;  // not something a keyboard plays on the output
  }
  bool keysChanged = false;
  {
    std::lock_guard lock(mutex_);
    const auto bit = static_cast<std::uint16_t>(1u << m.channel());
    SourceNotes& notes = sources_[source];
    notes.channelsUsed = static_cast<std::uint16_t>(notes.channelsUsed | bit);
    if (m.isNoteOn() || m.isNoteOff()) {
      const bool wasLit = heldLocked(m.data1);
      auto& held = notes.held[m.data1];
      held = static_cast<std::uint16_t>(m.isNoteOn() ? held | bit : held & ~bit);
      keysChanged = wasLit != heldLocked(m.data1);
    }
    forwardLocked(message);
  }
  if (keysChanged) queueRedraw();
}

void MidiKeyboardInput::forwardLocked(std::uint32_t message) {
  // Straight to the output from this thread while live play holds it; messages already
  // waiting go first, so nothing overtakes them.
  if (backlog_.empty() && midi_.PlayMode() == MidiState::kLiveOwnsOutput) {
    const HMIDIOUT handle = midi_.hMidiOut();
    if (handle != 0 && midiOutShortMsg(handle, message) != MMSYSERR_INVALHANDLE) return;
  }
  // Releases are always kept (the backlog may grow past its bound by them): a stalled window
  // must never leave a note or a pedal down.
  if (backlog_.size() >= kMaxBacklog && !ShortMessage::unpack(message).isRelease()) {
    dropped_.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  backlog_.push_back(message);
  if (!drainQueued_) {
    drainQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { drainBacklog(); }, Qt::QueuedConnection);
  }
}

void MidiKeyboardInput::drainBacklog() {
  // The lock stays held while a note takes the output back, so the input thread cannot send
  // past the messages in front of it meanwhile.
  std::lock_guard lock(mutex_);
  drainQueued_ = false;
  for (std::uint32_t message : backlog_) {
    if (isNoteOn(message) && midi_.PlayMode() == MidiState::kSongOwnsOutput)
      midi_.ClaimForLivePlay();
    // What comes while a song still holds the output has nowhere to sound.
    if (midi_.PlayMode() == MidiState::kLiveOwnsOutput)
      (void)midiOutShortMsg(midi_.hMidiOut(), message);
  }
  backlog_.clear();
}

bool MidiKeyboardInput::heldLocked(int note) const {
  for (const auto& [id, notes] : sources_)
    if (notes.held[static_cast<std::size_t>(note)] != 0) return true;
  return false;
}

void MidiKeyboardInput::releaseLocked(SourceNotes& notes) {
  // Pedals first: a note whose key is already up rings on while the sustain (or, on an organ,
  // any pedal) holds it, and only the pedal going up ends it.
  for (int channel = 0; channel < 16; ++channel) {
    if (!(notes.channelsUsed & (1u << channel))) continue;
    for (int pedal : {ShortMessage::kSustainPedal, ShortMessage::kSostenutoPedal, ShortMessage::kSoftPedal})
      forwardLocked(ShortMessage::of(ShortMessage::kControlChange, channel, pedal, 0).pack());
  }
  notes.channelsUsed = 0;
  for (std::size_t note = 0; note < notes.held.size(); ++note) {
    for (int channel = 0; channel < 16 && notes.held[note] != 0; ++channel) {
      if (notes.held[note] & (1u << channel))
        forwardLocked(ShortMessage::of(ShortMessage::kNoteOff, channel, static_cast<int>(note)).pack());
    }
    notes.held[note] = 0;
  }
}

void MidiKeyboardInput::ReleaseSource(MidiSourceId source) {
  {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(source);
    if (found == sources_.end()) return;
    releaseLocked(found->second);
    sources_.erase(found);
  }
  queueRedraw();
}

void MidiKeyboardInput::ReleaseAll() {
  {
    std::lock_guard lock(mutex_);
    if (sources_.empty()) return;
    for (auto& [id, notes] : sources_) releaseLocked(notes);
    sources_.clear();
  }
  queueRedraw();
}

void MidiKeyboardInput::queueRedraw() {
  // One redraw per burst: a thousand notes a second must not flood the event queue.
  if (!redrawQueued_.exchange(true, std::memory_order_acq_rel))
    QMetaObject::invokeMethod(this, [this] { redrawKeys(); }, Qt::QueuedConnection);
}

void MidiKeyboardInput::redrawKeys() {
  redrawQueued_.store(false, std::memory_order_release);
  std::array<std::uint16_t, 128> held{};
  {
    std::lock_guard lock(mutex_);
    for (const auto& [id, notes] : sources_)
      for (std::size_t note = 0; note < held.size(); ++note) held[note] |= notes.held[note];
  }
  // Keys follow the transposition in force now: the pitch controls may have moved it.
  std::array<bool, kKeyCount> wanted{};
  bool anyReleased = false;
  for (int i = 0; i < kKeyCount; ++i) {
    const int note = midi_.BaseNote() + i;
    wanted[static_cast<std::size_t>(i)] = note >= 0 && note < 128 && held[static_cast<std::size_t>(note)] != 0;
    anyReleased = anyReleased || (lit_[static_cast<std::size_t>(i)] && !wanted[static_cast<std::size_t>(i)]);
  }
  // A released key looks as after a mouse release. With the computer-key labels shown the
  // whole keyboard is redrawn, as a mouse release does, and the keys still held go down again;
  // otherwise only the released keys change, which keeps a fast player's redraws cheap.
  const bool redrawAll = anyReleased && piano_.ShowKey();
  if (redrawAll) piano_.RedrawKeys();
  for (int i = 0; i < kKeyCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    PianoKey* key = piano_.chkPiano(i);
    if (wanted[k] && (redrawAll || !lit_[k])) {
      key->setCaption(QString());
      std::int16_t index = static_cast<std::int16_t>(i);
      piano_.ShowKeyDown(index);
    } else if (!wanted[k] && lit_[k] && !redrawAll) {
      key->setPicture(isWhiteKey(i) ? piano_.pictures().picWhiteKU : piano_.pictures().picBlackKU);
    }
  }
  lit_ = wanted;
}

bool MidiKeyboardInput::IsKeyLit(int index) const {
  return index >= 0 && index < kKeyCount && lit_[static_cast<std::size_t>(index)];
}

}  // namespace tonalix::keyboard

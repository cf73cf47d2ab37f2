#include "midi/MidiState.h"

#include <utility>

namespace tonalix {

using namespace platform;

namespace {
// Drum sound codes are the percussion note + 93.
constexpr int kDrumSoundCodeOffset = 93;
}  // namespace

MidiState::MidiState(std::function<void()> stopSong, std::function<void()> liveOutputReopened)
    : stopSong_(std::move(stopSong)), liveOutputReopened_(std::move(liveOutputReopened)) {}

void MidiState::Send(std::uint32_t message) const {
  // Results are deliberately not examined: a closed output simply stays silent.
  (void)midiOutShortMsg(hMidiOut(), message);
}

void MidiState::PlayNote(std::int16_t note) const {
  Send(ShortMessage(0x90, kPianoChannel, note, keyVelocity_));
}

void MidiState::StopNote(std::int16_t note) const {
  Send(ShortMessage(0x80, kPianoChannel, note, 0));
}

void MidiState::SetInstrument(std::int16_t program) const {
  Send(ShortMessage(0xB0, kPianoChannel, 0, 0));
  Send(ShortMessage(0xB0, kPianoChannel, 32, 0));
  Send(ShortMessage(0xC0, kPianoChannel, program, 0));
}

void MidiState::SetDrumSound(std::int16_t code) {
  drumNote_ = static_cast<std::int16_t>(code - kDrumSoundCodeOffset);
}

void MidiState::PlayDrum() const { Send(ShortMessage(0x99, 0, drumNote_, drumVelocity_)); }

std::uint32_t MidiState::OpenDeviceId() const {
  // Menu item k records k - 1: the mapper (item 0) is -1 and plays on device 0.
  return selectedDevice_ < 0 ? kMapperDevice : static_cast<std::uint32_t>(selectedDevice_);
}

void MidiState::Close() {
  // Copies of the handle are refused by the platform once it is closed, so an input thread
  // that still holds one sends nowhere rather than to a reused slot.
  midiResult_ = static_cast<std::int32_t>(midiOutClose(handle_.exchange(0)));
}

void MidiState::CloseAndOpen() {
  Close();
  HMIDIOUT opened = 0;
  midiResult_ = static_cast<std::int32_t>(midiOutOpen(&opened, OpenDeviceId(), 0, 0, 0));
  handle_ = midiResult_ == MMSYSERR_NOERROR ? opened : 0;
}

void MidiState::OpenAtStartup() { CloseAndOpen(); }

void MidiState::StartLivePlay() { playMode_ = kLiveOwnsOutput; }

void MidiState::ReopenMidiOut() {
  if (stopSong_) stopSong_();
  CloseAndOpen();
  playMode_ = kLiveOwnsOutput;
  if (liveOutputReopened_) liveOutputReopened_();
}

void MidiState::ClaimForLivePlay() {
  if (playMode_ == kSongOwnsOutput) ReopenMidiOut();
}

void MidiState::HandOutputToSong() {
  Close();
  playMode_ = kSongOwnsOutput;
}

bool MidiState::SwitchDevice(std::int16_t selected) {
  const std::uint32_t before = OpenDeviceId();
  selectedDevice_ = selected;
  if (OpenDeviceId() == before || playMode_ != kLiveOwnsOutput) return false;
  CloseAndOpen();
  return true;
}

void MidiState::CloseAtUnload() {
  if (stopSong_) stopSong_();
  Close();
}

}  // namespace tonalix

#include "midi/MidiState.h"

namespace tonalix {

using namespace platform;

void MidiState::Send(std::uint32_t message) const {
  // Results are deliberately not examined: a closed output simply stays silent.
  (void)midiOutShortMsg(hMidiOut, message);
}

void MidiState::PlayNote(std::int16_t note) const {
  Send(ShortMessage(0x90, PianoChannel, note, KeyVelocity));
}

void MidiState::StopNote(std::int16_t note) const {
  Send(ShortMessage(0x80, PianoChannel, note, 0));
}

void MidiState::SetInstrument(std::int16_t program) const {
  Send(ShortMessage(0xB0, PianoChannel, 0, 0));
  Send(ShortMessage(0xB0, PianoChannel, 32, 0));
  Send(ShortMessage(0xC0, PianoChannel, program, 0));
}

void MidiState::SetDrumSound(std::int16_t code) {
  if (PianoChannel >= 0 && PianoChannel < static_cast<int>(DrumNote.size()))
    DrumNote[static_cast<std::size_t>(PianoChannel)] = static_cast<std::int16_t>(code - 93);
}

void MidiState::PlayDrum() const {
  if (PianoChannel < 0 || PianoChannel >= static_cast<int>(DrumNote.size())) return;
  Send(ShortMessage(0x99, 0, DrumNote[static_cast<std::size_t>(PianoChannel)], DrumVelocity));
}

std::uint32_t MidiState::OpenDeviceId() const {
  // SelectedDevice is -1 for "MIDI Mapper" (which plays on device 0), k - 1 for menu item k.
  return SelectedDevice < 0 ? static_cast<std::uint32_t>(MidiDeviceId)
                            : static_cast<std::uint32_t>(SelectedDevice);
}

void MidiState::CloseAndOpen() {
  MidiDeviceId = 0;
  MidiResult = static_cast<std::int32_t>(midiOutClose(hMidiOut));
  hMidiOut = 0;
  MidiResult = static_cast<std::int32_t>(midiOutOpen(&hMidiOut, OpenDeviceId(), 0, 0, 0));
  if (MidiResult != MMSYSERR_NOERROR) hMidiOut = 0;
  PianoChannel = 0;
}

void MidiState::OpenAtStartup() { CloseAndOpen(); }

void MidiState::ReopenMidiOut() {
  if (StopMidi) StopMidi();
  CloseAndOpen();
  PlayMode = kLiveOwnsOutput;
  if (LiveOutputReopened) LiveOutputReopened();
}

void MidiState::ClaimForLivePlay() {
  if (PlayMode == kSongOwnsOutput) ReopenMidiOut();
}

void MidiState::CloseAtUnload() {
  if (StopMidi) StopMidi();
  MidiResult = static_cast<std::int32_t>(midiOutClose(hMidiOut));
  hMidiOut = 0;
}

}  // namespace tonalix

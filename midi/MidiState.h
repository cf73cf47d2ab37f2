// The main window's MIDI output state and the message operations every subsystem plays through.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "platform/midiout/MidiOut.h"

namespace tonalix {

class MidiState {
 public:
  static constexpr std::int16_t kSongOwnsOutput = 1;
  static constexpr std::int16_t kLiveOwnsOutput = 2;

  std::int16_t MidiDeviceId = 0;
  platform::HMIDIOUT hMidiOut = 0;
  std::int32_t MidiResult = 0;
  std::int16_t PianoChannel = 0;
  std::int16_t KeyVelocity = 0;
  std::int16_t DrumVelocity = 0;
  std::array<std::int16_t, 8> DrumNote{};
  std::int16_t PlayMode = 0;
  std::int16_t SelectedDevice = 0;
  std::int32_t MidiDeviceCount = 0;
  // Note of on-screen key 0; the pitch controls move it.
  std::int16_t BaseNote = 0;

  // The sequencer's stop step; empty until a sequencer is attached.
  std::function<void()> StopMidi;
  // Runs once ReopenMidiOut has handed the output back to live play, before the sound that
  // claimed it: a song may have left other programs on the synthesizer.
  std::function<void()> LiveOutputReopened;

  void PlayNote(std::int16_t note) const;
  void StopNote(std::int16_t note) const;
  void SetInstrument(std::int16_t program) const;
  void SetDrumSound(std::int16_t code);
  void PlayDrum() const;

  // Opens the output at start-up: device 0 (or the chosen one), channel 0.
  void OpenAtStartup();
  // Hands the output back to live play after a song: stop the song, close, reopen, channel 0.
  void ReopenMidiOut();
  // Runs ReopenMidiOut only while a song owns the output; every live sound calls this first.
  void ClaimForLivePlay();
  // Unload: stop the sequencer and close the output.
  void CloseAtUnload();
  // Closes the output and opens it again on the chosen device, channel 0 (no song involved).
  void CloseAndOpen();

  // The platform device id the output is opened on: the menu's choice, the mapper by default.
  std::uint32_t OpenDeviceId() const;

  // Message arithmetic: channel + data1 * 256 + status + data2 * 65536.
  static std::uint32_t ShortMessage(int status, int channel, int data1, int data2) {
    return static_cast<std::uint32_t>(channel + data1 * 256 + status + data2 * 65536);
  }

 private:
  void Send(std::uint32_t message) const;
};

}  // namespace tonalix

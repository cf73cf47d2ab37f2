// The main window's MIDI output and the message operations every subsystem plays through. Its
// operations keep the output's rules in one place: who holds it (live play or a sample song),
// which device it is open on, and that a live sound first takes it back from a song.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/midi/ShortMessage.h"
#include "platform/midiout/MidiOut.h"

namespace tonalix {

class MidiState {
 public:
  // Who holds the output. Nobody until the window's start-up has finished.
  enum OutputOwner : std::uint8_t { kNoOwner, kSongOwnsOutput, kLiveOwnsOutput };
  // The device menu's "MIDI Mapper" choice, which plays on device 0.
  static constexpr std::int16_t kMapper = -1;
  static constexpr std::uint32_t kMapperDevice = 0;
  // Live notes play on channel 0; drums on the percussion channel whatever the piano's channel.
  static constexpr int kPianoChannel = 0;

  // stopSong: the sequencer's stop step, run before the output is handed back or closed.
  // liveOutputReopened: runs once the output is back with live play, before the sound that
  // claimed it (a song may have left other programs on the synthesizer).
  explicit MidiState(std::function<void()> stopSong = {},
                     std::function<void()> liveOutputReopened = {});

  void PlayNote(std::int16_t note) const;
  void StopNote(std::int16_t note) const;
  void SetInstrument(std::int16_t program) const;
  // Chooses the percussion sound of the next PlayDrum by its drum sound code (the note + 93).
  void SetDrumSound(std::int16_t code);
  void PlayDrum() const;

  // Opens the output at start-up on the chosen device (the mapper's device 0 until a choice).
  void OpenAtStartup();
  // The window's start-up has finished: live play holds the output from now on.
  void StartLivePlay();
  // Closes the output and opens it again on the chosen device (no song involved).
  void CloseAndOpen();
  // Hands the output back to live play after a song: stop the song, close, reopen.
  void ReopenMidiOut();
  // Runs ReopenMidiOut only while a song owns the output; every live sound calls this first.
  void ClaimForLivePlay();
  // A song is about to play: the output is closed (the sequencer and the piano never hold it
  // at the same time) and the song owns it until live play takes it back.
  void HandOutputToSong();
  // Unload: stop the sequencer and close the output.
  void CloseAtUnload();

  // Records the device chosen in the menu (kMapper or a platform device id).
  void SelectDevice(std::int16_t selected) { selectedDevice_ = selected; }
  // Records the choice and, while live play owns the output and the device really changes,
  // reopens it there at once; true then. While a song plays the output stays closed and the
  // next hand-back opens the chosen device.
  bool SwitchDevice(std::int16_t selected);

  std::int16_t SelectedDevice() const { return selectedDevice_; }
  // The platform device id the output is opened on: the menu's choice, the mapper by default.
  std::uint32_t OpenDeviceId() const;
  // The handle and the owner may be read from a MIDI input thread, which forwards what a
  // keyboard plays without waiting for the user-interface thread; they change only on the latter.
  platform::HMIDIOUT hMidiOut() const { return handle_.load(std::memory_order_acquire); }
  // The result of the last open or close.
  std::int32_t MidiResult() const { return midiResult_; }
  OutputOwner PlayMode() const { return playMode_.load(std::memory_order_acquire); }

  std::int16_t KeyVelocity() const { return keyVelocity_; }
  void SetKeyVelocity(std::int16_t velocity) { keyVelocity_ = velocity; }
  std::int16_t DrumVelocity() const { return drumVelocity_; }
  void SetDrumVelocity(std::int16_t velocity) { drumVelocity_ = velocity; }
  std::int16_t DrumNote() const { return drumNote_; }
  // Note of on-screen key 0; the pitch controls move it.
  std::int16_t BaseNote() const { return baseNote_; }
  void SetBaseNote(std::int16_t note) { baseNote_ = note; }

  // Message arithmetic: channel + data1 * 256 + status + data2 * 65536.
  static std::uint32_t ShortMessage(int status, int channel, int data1, int data2) {
    return platform::ShortMessage::of(status, channel, data1, data2).pack();
  }

 private:
  void Send(std::uint32_t message) const;
  void Close();

  std::function<void()> stopSong_;
  std::function<void()> liveOutputReopened_;
  std::atomic<platform::HMIDIOUT> handle_ = 0;
  std::int32_t midiResult_ = 0;
  std::atomic<OutputOwner> playMode_ = kNoOwner;
  std::int16_t selectedDevice_ = 0;
  std::int16_t keyVelocity_ = 0;
  std::int16_t drumVelocity_ = 0;
  std::int16_t drumNote_ = 0;
  std::int16_t baseNote_ = 0;
};

}  // namespace tonalix

// The program's side of sample-song playback: starting a song file on the sequencer (alias
// "mymidi"), stopping or closing it, and the short form of paths for command strings.
// No Qt: the message box is a callback the window supplies.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/mci/MciCalls.h"

namespace tonalix {

class SequencerControl {
 public:
  // Shows text in a box with an OK button and the caption.
  using MessageBox = std::function<void(const std::string& text, const std::string& caption)>;

  static constexpr std::uint32_t kTextBufferLength = 255;

  SequencerControl(MessageBox messageBox, std::string caption,
                   platform::MciCalls calls = platform::MciCalls::layer());

  // Opens the file on the sequencer and starts it; returns while it plays. An open or play
  // failure is shown in one message box with the layer's text for the code.
  void PlayMidiFile(const std::string& path);
  // A playing song is stopped (it stays open); a song that has stopped is closed.
  void StopMidi();
  // The path's short form, creating the file empty first when it does not exist; empty when
  // the path cannot be converted.
  std::string ShortPath(const std::string& fileName);

 private:
  // First seven characters of the "status mymidi mode" reply (blanks when it fails).
  std::string modeWord();

  MessageBox messageBox_;
  std::string caption_;
  platform::MciCalls calls_;
};

}  // namespace tonalix

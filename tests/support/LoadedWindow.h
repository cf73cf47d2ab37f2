// A loaded main window whose MIDI output plays into a recording port, so a test sees every
// message the window sends after its start-up.
#pragma once

#include "app/frmPiano.h"
#include "tests/support/RecordingPort.h"

namespace tonalix::testing {

struct LoadedWindow {
  RecordingPort port;
  frmPiano window;

  explicit LoadedWindow(bool show = false) {
    window.Form_Load();
    window.midi().SelectedDevice = static_cast<std::int16_t>(port.deviceId());
    window.midi().CloseAndOpen();
    if (show) window.show();
    port.take();
  }

  // As if a sample song had taken the output: the handle is closed and the song owns it.
  // songStops counts the sequencer stops that handing the output back runs.
  void letASongTakeTheOutput() {
    window.midi().StopMidi = [this] { ++songStops; };
    platform::midiOutClose(window.midi().hMidiOut);
    window.midi().PlayMode = MidiState::kSongOwnsOutput;
  }
  int songStops = 0;
};

}  // namespace tonalix::testing

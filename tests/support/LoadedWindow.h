// A loaded main window whose MIDI output plays into a recording port, so a test sees every
// message the window sends after its start-up.
#pragma once

#include "app/frmPiano.h"
#include "tests/support/RecordingPort.h"

namespace tonalix::testing {

struct LoadedWindow {
  RecordingPort port;
  // The sequencer stops that handing the output back (or unloading) runs.
  int songStops = 0;
  frmPiano window;

  explicit LoadedWindow(bool show = false) : window(countingSongStops()) {
    window.Form_Load();
    window.midi().SelectDevice(static_cast<std::int16_t>(port.deviceId()));
    window.midi().CloseAndOpen();
    if (show) window.show();
    port.take();
  }

  // As if a sample song had taken the output: the handle is closed and the song owns it.
  void letASongTakeTheOutput() { window.midi().HandOutputToSong(); }

 private:
  frmPiano::Services countingSongStops() {
    frmPiano::Services services;
    services.stopSong = [this] { ++songStops; };
    return services;
  }
};

}  // namespace tonalix::testing

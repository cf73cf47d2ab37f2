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
};

}  // namespace tonalix::testing

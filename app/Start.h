// Program start: refuses a second copy, brings up the sound engine and shows the main window.
#pragma once

#include "widgets/MessageBox.h"

namespace tonalix {

struct StartServices {
  // Shows every message box of the program; empty for the real boxes.
  widgets::MessageBoxFunction messageBox;
};

// Runs the program; returns the process exit code.
int Start(int argc, char** argv, const StartServices& services);

}  // namespace tonalix

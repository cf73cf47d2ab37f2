// The program's names as the user sees them.
#pragma once

#include <QString>

namespace tonalix {

// Message boxes that give no caption of their own use this.
inline QString AppTitle() { return QStringLiteral("Tonalix STUDIO 4.0"); }
inline QString MainWindowTitle() {
  return QStringLiteral(" Tonalix STUDIO 4.0 - Virtual Piano & MIDI Studio");
}

}  // namespace tonalix

// The program's names as the user sees them. Free of Qt so that every part of the program,
// the engine-side code included, can name the program the same way.
#pragma once

namespace tonalix {

// Message boxes that give no caption of their own use this.
constexpr const char* AppTitle() { return "Tonalix STUDIO 4.0"; }
constexpr const char* MainWindowTitle() { return " Tonalix STUDIO 4.0 - Virtual Piano & MIDI Studio"; }

}  // namespace tonalix

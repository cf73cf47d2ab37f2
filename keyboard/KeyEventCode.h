// Turns a Qt key event into the virtual-key code the binding table uses. The physical key
// position decides (so AZERTY, QWERTZ or Dvorak give the same piano shape); the Qt key is the
// fallback where the window system reports no scan code.
#pragma once

#include <Qt>
#include <cstdint>

class QKeyEvent;

namespace tonalix::keyboard {

// Virtual-key code of a Linux input (evdev) key code; 0 for a key the piano does not know.
int codeFromEvdev(std::uint32_t evdevCode);

// The code for an event: nativeScanCode is the evdev code + 8 on X11 and Wayland; other
// platforms, or a zero scan code, use the Qt key (widgets::virtualKeyCode).
int codeFromKeyEvent(const QKeyEvent& event);

// Shift, Ctrl, Alt and the lock keys on their own: they change other keys and play nothing.
bool isModifierKey(int qtKey);

}  // namespace tonalix::keyboard

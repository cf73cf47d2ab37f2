// Turns a Qt key event into the platform key code the binding table uses. The physical key
// position decides (so AZERTY, QWERTZ or Dvorak give the same piano shape); the Qt key is the
// fallback where the window system reports no scan code.
#pragma once

#include <Qt>
#include <cstdint>

class QKeyEvent;

namespace tonalix::keyboard {

// Platform key code of a Linux input (evdev) key code; 0 for a key the piano does not know.
int codeFromEvdev(std::uint32_t evdevCode);

// Platform key code of a Qt key; shifted symbols give the code of their unshifted key and the
// keypad keys theirs (keypad is the KeypadModifier). 0 when unknown.
int codeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

// The code for an event: nativeScanCode is the evdev code + 8 on X11 and Wayland; other
// platforms, or a zero scan code, use the Qt key.
int codeFromKeyEvent(const QKeyEvent& event);

// Shift, Ctrl, Alt and the lock keys on their own: they change other keys and play nothing.
bool isModifierKey(int qtKey);

}  // namespace tonalix::keyboard

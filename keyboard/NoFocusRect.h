// Keeps a control from reacting to gaining focus (so it never shows a focus rectangle) while it
// still takes keyboard focus and receives key events.
#pragma once

class QWidget;

namespace tonalix::keyboard {

// enable true installs the focus filter on the control; false removes it.
void SetNoFocusRect(QWidget* control, bool enable);

}  // namespace tonalix::keyboard

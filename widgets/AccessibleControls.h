// Accessible names, roles, states and actions for the self-drawn controls, so that screen
// readers and UI automation find them: the push button by its caption (by its tooltip when it
// shows only a picture), the slider and the level bar by their tooltip, with their values.
#pragma once

namespace tonalix::widgets {

// Makes Qt's accessibility layer describe zqButtons_H, zykSlider and zykProgressBar. Safe to
// call more than once.
void InstallAccessibleControls();

}  // namespace tonalix::widgets

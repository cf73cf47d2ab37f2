// Accessible names, roles, states and actions for the self-drawn controls, so that screen
// readers and UI automation find them: the push and bevelled buttons by their caption (by the
// tooltip when they show only a picture), the slider and the level bar by their tooltip, with
// their values.
#pragma once

namespace tonalix::widgets {

// Makes Qt's accessibility layer describe zqButtons_H, bvlBUTTON, zykSlider and zykProgressBar.
// Safe to call more than once.
void InstallAccessibleControls();

}  // namespace tonalix::widgets

// What the piano-playing keys type in an xkbcommon keyboard map, whichever window system sent
// the map: the X server's map on X11, the compositor's on Wayland.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <array>

#include "keyboard/LayoutKeyNames.h"

namespace tonalix::keyboard {

// The characters of the 65 bound keys at group `group` of keymap; a key with fewer layouts than
// the group wraps round, as the window systems do.
std::array<KeyCharacters, 65> keymapCharacters(xkb_keymap* keymap, xkb_layout_index_t group);

}  // namespace tonalix::keyboard

#include "keyboard/KeymapCharacters.h"

namespace tonalix::keyboard {

namespace {
// xkbcommon's keycodes are the Linux input codes shifted by 8 (as the X server's are).
constexpr std::uint32_t kXkbOffset = 8;

// Dead keys type nothing themselves, but their keycaps print the accent they add.
char32_t characterOf(xkb_keysym_t sym) {
  switch (sym) {
    case XKB_KEY_dead_grave: return U'`';
    case XKB_KEY_dead_acute: return U'\u00B4';
    case XKB_KEY_dead_circumflex: return U'^';
    case XKB_KEY_dead_tilde: return U'~';
    case XKB_KEY_dead_diaeresis: return U'\u00A8';
    case XKB_KEY_dead_cedilla: return U'\u00B8';
    default: return xkb_keysym_to_utf32(sym);
  }
}

char32_t characterAt(xkb_keymap* keymap, xkb_keycode_t key, xkb_layout_index_t layout,
                     xkb_level_index_t level) {
  const xkb_keysym_t* syms = nullptr;
  if (xkb_keymap_key_get_syms_by_level(keymap, key, layout, level, &syms) < 1) return 0;
  return characterOf(syms[0]);
}
}  // namespace

std::array<KeyCharacters, 65> keymapCharacters(xkb_keymap* keymap, xkb_layout_index_t group) {
  std::array<KeyCharacters, 65> chars{};
  if (!keymap) return chars;
  for (int i = 0; i < 65; ++i) {
    const std::uint32_t evdev = evdevCodeOfKey(i);
    if (evdev == 0) continue;
    const xkb_keycode_t key = evdev + kXkbOffset;
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, key);
    if (layouts == 0) continue;
    const xkb_layout_index_t layout = group % layouts;
    chars[static_cast<std::size_t>(i)] = {characterAt(keymap, key, layout, 0),
                                          characterAt(keymap, key, layout, 1)};
  }
  return chars;
}

}  // namespace tonalix::keyboard

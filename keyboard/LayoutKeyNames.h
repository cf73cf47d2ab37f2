// The names the user's own keyboard layout prints on the computer keys that play the piano.
// Keys are matched by their physical position, so on an AZERTY or QWERTZ keyboard the binding
// table's US names would point at the wrong keycaps; these names follow the layout instead and
// are the table's names on a US layout.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace tonalix::keyboard {

// What one key types on a layout, unshifted and shifted; 0 where it types nothing printable.
struct KeyCharacters {
  char32_t plain = 0;
  char32_t shifted = 0;
};

// The Linux input (evdev) code of the computer key bound to a piano key; 0 where none.
std::uint32_t evdevCodeOfKey(int index);

// The name of piano key index's computer key on a layout where that key types chars. Letter
// keys are named by their capital, the white keys' other keys by their shifted character and the black
// keys' by their plain one, as a US keycap shows them; keys whose legend no layout changes
// (function keys, keypad, Insert, Delete, Enter), and keys without a printable character,
// keep the binding table's name.
QString layoutKeyName(int index, KeyCharacters chars);

// The 65 names, in key order, from the characters of every key.
QStringList layoutKeyNames(const std::array<KeyCharacters, 65>& chars);

// A strip label's caption with its names, in order, replaced by names (starting at `first`),
// each at its column, so the caption keeps its shape.
QString stripCaptionWithNames(const QString& caption, const QStringList& names, qsizetype first);

}  // namespace tonalix::keyboard

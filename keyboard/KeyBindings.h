// The fixed binding of 65 computer keys to the 65 piano keys, with the names that label them.
#pragma once

#include <QString>
#include <array>

namespace tonalix::keyboard {

struct KeyBinding {
  int index;          // piano key 0..64
  int code;           // the virtual-key code of the computer key (widgets/VirtualKeyCode.h)
  int leadingBlanks;  // white keys: blanks before the name in the key's caption
  const char* name;   // what the label shows; a black key's name stands in a strip label
};

// One row per piano key, in key order.
const std::array<KeyBinding, 65>& keyBindings();

// The piano key bound to a virtual-key code, or -1 for a key without binding.
int boundKeyForCode(int code);

// A white key's caption in label mode (blanks and name); empty for black keys. The name is
// the table's, or the one given (the user's layout's).
QString keyLabelCaption(int index);
QString keyLabelCaption(int index, const QString& name);

// Captions of the two strip labels that name the computer keys of the black keys.
extern const char* const kStripLabel1;
extern const char* const kStripLabel2;

}  // namespace tonalix::keyboard

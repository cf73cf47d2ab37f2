// Key codes and shift masks in the numbering the program's key handlers use: the desktop's
// virtual-key codes (65 'A', 32 space, 37..40 arrows) and Shift 1, Ctrl 2, Alt 4.
#pragma once

#include <QKeyEvent>

namespace tonalix::widgets {

enum VirtualKey : int {
  VkBack = 8, VkTab = 9, VkReturn = 13, VkShift = 16, VkControl = 17, VkMenu = 18,
  VkEscape = 27, VkSpace = 32, VkPrior = 33, VkNext = 34, VkEnd = 35, VkHome = 36,
  VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40, VkInsert = 45, VkDelete = 46,
  VkF1 = 112,
};

enum ShiftMask : int { ShiftMaskShift = 1, ShiftMaskCtrl = 2, ShiftMaskAlt = 4 };

// The virtual-key code of a Qt key, or 0 when the key has none. Punctuation gives the codes of
// a US keyboard's keys whatever the shift state (';' and ':' are both 186).
int virtualKeyCode(int qtKey);
// As above, with the keypad's own codes (96..111) for keys pressed on the keypad.
int virtualKeyCode(const QKeyEvent& event);
// The Qt key for a virtual-key code, or 0 when there is none.
int qtKeyFromVirtual(int keyCode);
int shiftMask(Qt::KeyboardModifiers modifiers);

}  // namespace tonalix::widgets

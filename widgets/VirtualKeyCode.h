// Key codes, shift masks and mouse-button codes in the numbering the program's key and mouse
// handlers and the piano's key bindings use: the desktop's virtual-key codes (65 'A', 32 space,
// 37..40 arrows; letters and digits are their own characters), Shift 1, Ctrl 2, Alt 4, and the
// left button 1, right 2, middle 4. The one table of key codes.
#pragma once

#include <QKeyEvent>

namespace tonalix::widgets {

enum VirtualKey : int {
  VkBack = 8, VkTab = 9, VkReturn = 13, VkShift = 16, VkControl = 17, VkMenu = 18,
  VkEscape = 27, VkSpace = 32, VkPrior = 33, VkNext = 34, VkEnd = 35, VkHome = 36,
  VkPause = 19, VkCapital = 20, VkSnapshot = 44, VkLeftWin = 91, VkApps = 93,
  VkLeft = 37, VkUp = 38, VkRight = 39, VkDown = 40, VkInsert = 45, VkDelete = 46,
  // Keypad digits (VkNumpad0 + digit), operators and point.
  VkNumpad0 = 96, VkMultiply = 106, VkAdd = 107, VkSubtract = 109, VkDecimal = 110,
  VkDivide = 111, VkNumLock = 144, VkScroll = 145,
  VkF1 = 112, VkF2, VkF3, VkF4, VkF5, VkF6, VkF7, VkF8, VkF9, VkF10, VkF11, VkF12,
  // Punctuation keys, named by their unshifted character on a US layout.
  VkOemSemicolon = 186, VkOemPlus = 187, VkOemComma = 188, VkOemMinus = 189,
  VkOemPeriod = 190, VkOemSlash = 191, VkOemTilde = 192, VkOemOpenBracket = 219, VkOemBackslash = 220,
  VkOemCloseBracket = 221, VkOemQuote = 222,
};

enum ShiftMask : int { ShiftMaskShift = 1, ShiftMaskCtrl = 2, ShiftMaskAlt = 4 };
enum MouseButtonCode : int { MouseLeft = 1, MouseRight = 2, MouseMiddle = 4 };

// The virtual-key code of a Qt key, or 0 when the key has none. A shifted character gives the
// code of the key it sits on in a US layout ('!' the code of '1', '_' that of '-').
int virtualKeyCode(int qtKey);
// The same, telling the keypad's keys apart (Qt marks them with the KeypadModifier): its
// digits, point, operators and Enter have codes of their own.
int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
int virtualKeyCode(const QKeyEvent& event);
// The Qt key for a virtual-key code, or 0 when there is none.
int qtKeyFromVirtual(int keyCode);
int shiftMask(Qt::KeyboardModifiers modifiers);
// The code of the one button a press or release is about; 0 for any other button.
int mouseButtonCode(Qt::MouseButton button);
// The codes of all the buttons held during a move, added up.
int mouseButtonMask(Qt::MouseButtons buttons);

}  // namespace tonalix::widgets

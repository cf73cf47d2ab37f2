#include "widgets/VirtualKeyCode.h"

#include <array>
#include <utility>

namespace tonalix::widgets {

namespace {
// Keys whose codes do not follow from their character. The first entry of a code is the key
// qtKeyFromVirtual gives back.
constexpr std::array<std::pair<int, int>, 59> kNamedKeys{{
    {Qt::Key_Backspace, VkBack}, {Qt::Key_Tab, VkTab}, {Qt::Key_Return, VkReturn},
    {Qt::Key_Enter, VkReturn}, {Qt::Key_Shift, VkShift}, {Qt::Key_Control, VkControl},
    {Qt::Key_Alt, VkMenu}, {Qt::Key_Escape, VkEscape}, {Qt::Key_Space, VkSpace},
    {Qt::Key_PageUp, VkPrior}, {Qt::Key_PageDown, VkNext}, {Qt::Key_End, VkEnd},
    {Qt::Key_Home, VkHome}, {Qt::Key_Left, VkLeft}, {Qt::Key_Up, VkUp},
    {Qt::Key_Right, VkRight}, {Qt::Key_Down, VkDown}, {Qt::Key_Insert, VkInsert},
    {Qt::Key_Delete, VkDelete}, {Qt::Key_Backtab, VkTab},
    {Qt::Key_Minus, VkOemMinus}, {Qt::Key_Underscore, VkOemMinus},
    {Qt::Key_Equal, VkOemPlus}, {Qt::Key_Plus, VkOemPlus},
    {Qt::Key_BracketLeft, VkOemOpenBracket}, {Qt::Key_BraceLeft, VkOemOpenBracket},
    {Qt::Key_BracketRight, VkOemCloseBracket}, {Qt::Key_BraceRight, VkOemCloseBracket},
    {Qt::Key_Backslash, VkOemBackslash}, {Qt::Key_Bar, VkOemBackslash},
    {Qt::Key_Semicolon, VkOemSemicolon}, {Qt::Key_Colon, VkOemSemicolon},
    {Qt::Key_Apostrophe, VkOemQuote}, {Qt::Key_QuoteDbl, VkOemQuote},
    {Qt::Key_Comma, VkOemComma}, {Qt::Key_Less, VkOemComma},
    {Qt::Key_Period, VkOemPeriod}, {Qt::Key_Greater, VkOemPeriod},
    {Qt::Key_Slash, VkOemSlash}, {Qt::Key_Question, VkOemSlash},
    {Qt::Key_QuoteLeft, VkOemTilde}, {Qt::Key_AsciiTilde, VkOemTilde},
    {Qt::Key_Pause, VkPause}, {Qt::Key_CapsLock, VkCapital}, {Qt::Key_Print, VkSnapshot},
    {Qt::Key_Meta, VkLeftWin}, {Qt::Key_Menu, VkApps}, {Qt::Key_NumLock, VkNumLock},
    {Qt::Key_ScrollLock, VkScroll},
    // Shifted digits.
    {Qt::Key_ParenRight, '0'}, {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'}, {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
}};

}  // namespace

int virtualKeyCode(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return qtKey;  // letters and digits share their codes
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VkF1 + (qtKey - Qt::Key_F1);
  for (const auto& [qt, vk] : kNamedKeys)
    if (qt == qtKey) return vk;
  return 0;
}

int virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::KeypadModifier)) return virtualKeyCode(qtKey);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return VkNumpad0 + (qtKey - Qt::Key_0);
  switch (qtKey) {
    case Qt::Key_Period:
    case Qt::Key_Comma: return VkDecimal;
    case Qt::Key_Slash: return VkDivide;
    case Qt::Key_Asterisk: return VkMultiply;
    case Qt::Key_Minus: return VkSubtract;
    case Qt::Key_Plus: return VkAdd;
    case Qt::Key_Enter:
    case Qt::Key_Return: return VkReturn;
    default: return 0;
  }
}

int virtualKeyCode(const QKeyEvent& event) { return virtualKeyCode(event.key(), event.modifiers()); }

int qtKeyFromVirtual(int keyCode) {
  if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9')) return keyCode;
  if (keyCode >= VkF1 && keyCode < VkF1 + 24) return Qt::Key_F1 + (keyCode - VkF1);
  for (const auto& [qt, vk] : kNamedKeys)
    if (vk == keyCode) return qt;
  return 0;
}

int shiftMask(Qt::KeyboardModifiers modifiers) {
  int mask = 0;
  if (modifiers & Qt::ShiftModifier) mask |= ShiftMaskShift;
  if (modifiers & Qt::ControlModifier) mask |= ShiftMaskCtrl;
  if (modifiers & Qt::AltModifier) mask |= ShiftMaskAlt;
  return mask;
}

int mouseButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return MouseLeft;
    case Qt::RightButton: return MouseRight;
    case Qt::MiddleButton: return MouseMiddle;
    default: return 0;
  }
}

int mouseButtonMask(Qt::MouseButtons buttons) {
  return (buttons & Qt::LeftButton ? MouseLeft : 0) | (buttons & Qt::RightButton ? MouseRight : 0) |
         (buttons & Qt::MiddleButton ? MouseMiddle : 0);
}

}  // namespace tonalix::widgets

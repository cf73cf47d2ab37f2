#include "widgets/VirtualKeyCode.h"

#include <array>
#include <utility>

namespace tonalix::widgets {

namespace {
// Keys whose codes do not follow from their character.
constexpr std::array<std::pair<int, int>, 20> kNamedKeys{{
    {Qt::Key_Backspace, VkBack}, {Qt::Key_Tab, VkTab}, {Qt::Key_Return, VkReturn},
    {Qt::Key_Enter, VkReturn}, {Qt::Key_Shift, VkShift}, {Qt::Key_Control, VkControl},
    {Qt::Key_Alt, VkMenu}, {Qt::Key_Escape, VkEscape}, {Qt::Key_Space, VkSpace},
    {Qt::Key_PageUp, VkPrior}, {Qt::Key_PageDown, VkNext}, {Qt::Key_End, VkEnd},
    {Qt::Key_Home, VkHome}, {Qt::Key_Left, VkLeft}, {Qt::Key_Up, VkUp},
    {Qt::Key_Right, VkRight}, {Qt::Key_Down, VkDown}, {Qt::Key_Insert, VkInsert},
    {Qt::Key_Delete, VkDelete}, {Qt::Key_Backtab, VkTab},
}};

// Punctuation keys by the characters they carry unshifted and shifted.
constexpr std::array<std::pair<int, int>, 22> kPunctuation{{
    {Qt::Key_Semicolon, 186}, {Qt::Key_Colon, 186}, {Qt::Key_Equal, 187}, {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188}, {Qt::Key_Less, 188}, {Qt::Key_Minus, 189}, {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190}, {Qt::Key_Greater, 190}, {Qt::Key_Slash, 191}, {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192}, {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219}, {Qt::Key_Backslash, 220}, {Qt::Key_Bar, 220},
    {Qt::Key_BracketRight, 221}, {Qt::Key_BraceRight, 221}, {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
}};

constexpr std::array<std::pair<int, int>, 7> kOtherKeys{{
    {Qt::Key_Pause, 19}, {Qt::Key_CapsLock, 20}, {Qt::Key_Print, 44}, {Qt::Key_Meta, 91},
    {Qt::Key_Menu, 93}, {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145},
}};

int keypadCode(int qtKey) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 96 + (qtKey - Qt::Key_0);
  switch (qtKey) {
    case Qt::Key_Asterisk: return 106;
    case Qt::Key_Plus: return 107;
    case Qt::Key_Minus: return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma: return 110;
    case Qt::Key_Slash: return 111;
    default: return 0;
  }
}
}  // namespace

int virtualKeyCode(const QKeyEvent& event) {
  if (event.modifiers() & Qt::KeypadModifier)
    if (const int code = keypadCode(event.key())) return code;
  return virtualKeyCode(event.key());
}

int virtualKeyCode(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return qtKey;  // letters and digits share their codes
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VkF1 + (qtKey - Qt::Key_F1);
  for (const auto& [qt, vk] : kNamedKeys)
    if (qt == qtKey) return vk;
  for (const auto& [qt, vk] : kPunctuation)
    if (qt == qtKey) return vk;
  for (const auto& [qt, vk] : kOtherKeys)
    if (qt == qtKey) return vk;
  return 0;
}

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

}  // namespace tonalix::widgets

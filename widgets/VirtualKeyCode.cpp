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
}  // namespace

int virtualKeyCode(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return qtKey;  // letters and digits share their codes
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VkF1 + (qtKey - Qt::Key_F1);
  for (const auto& [qt, vk] : kNamedKeys)
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

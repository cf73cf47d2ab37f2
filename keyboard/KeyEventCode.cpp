#include "keyboard/KeyEventCode.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include "widgets/VirtualKeyCode.h"

namespace tonalix::keyboard {

using namespace widgets;

namespace {
// X11 and Wayland report the Linux key code shifted by 8 as the native scan code.
constexpr std::uint32_t kXkbOffset = 8;

bool scanCodesAreEvdev() {
  static const bool evdev = [] {
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("xcb") || name.startsWith(QLatin1String("wayland"));
  }();
  return evdev;
}
}  // namespace

int codeFromEvdev(std::uint32_t evdevCode) {
  // Letter rows: Q W E R T Y U I O P, A S D F G H J K L, Z X C V B N M.
  static constexpr char kTopRow[] = "QWERTYUIOP";
  static constexpr char kHomeRow[] = "ASDFGHJKL";
  static constexpr char kBottomRow[] = "ZXCVBNM";
  if (evdevCode >= 2 && evdevCode <= 10) return '1' + static_cast<int>(evdevCode - 2);
  if (evdevCode >= 16 && evdevCode <= 25) return kTopRow[evdevCode - 16];
  if (evdevCode >= 30 && evdevCode <= 38) return kHomeRow[evdevCode - 30];
  if (evdevCode >= 44 && evdevCode <= 50) return kBottomRow[evdevCode - 44];
  if (evdevCode >= 59 && evdevCode <= 68) return VkF1 + static_cast<int>(evdevCode - 59);  // F1..F10
  switch (evdevCode) {
    case 11: return '0';
    case 12: return VkOemMinus;
    case 13: return VkOemPlus;
    case 26: return VkOemOpenBracket;
    case 27: return VkOemCloseBracket;
    case 28: return VkReturn;
    case 39: return VkOemSemicolon;
    case 40: return VkOemQuote;
    case 43: return VkOemBackslash;
    case 51: return VkOemComma;
    case 52: return VkOemPeriod;
    case 53: return VkOemSlash;
    case 55: return VkMultiply;  // keypad
    case 57: return VkSpace;
    case 74: return VkSubtract;  // keypad
    case 78: return VkAdd;       // keypad
    case 87: return VkF11;
    case 88: return VkF12;
    case 96: return VkReturn;    // keypad Enter
    case 98: return VkDivide;    // keypad
    case 110: return VkInsert;
    case 111: return VkDelete;
    default: return 0;
  }
}

int codeFromKeyEvent(const QKeyEvent& event) {
  const std::uint32_t scan = event.nativeScanCode();
  if (scan > kXkbOffset && scanCodesAreEvdev()) return codeFromEvdev(scan - kXkbOffset);
  return virtualKeyCode(event.key(), event.modifiers());
}

bool isModifierKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
      return true;
    default:
      return false;
  }
}

}  // namespace tonalix::keyboard

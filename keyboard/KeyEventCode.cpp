#include "keyboard/KeyEventCode.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace tonalix::keyboard {

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
  if (evdevCode >= 59 && evdevCode <= 68) return 112 + static_cast<int>(evdevCode - 59);  // F1..F10
  switch (evdevCode) {
    case 11: return '0';
    case 12: return 189;  // minus
    case 13: return 187;  // equals
    case 26: return 219;  // left bracket
    case 27: return 221;  // right bracket
    case 28: return 13;   // Enter
    case 39: return 186;  // semicolon
    case 40: return 222;  // quote
    case 43: return 220;  // backslash
    case 51: return 188;  // comma
    case 52: return 190;  // period
    case 53: return 191;  // slash
    case 55: return 106;  // keypad multiply
    case 57: return 32;   // space
    case 74: return 109;  // keypad subtract
    case 78: return 107;  // keypad add
    case 87: return 122;  // F11
    case 88: return 123;  // F12
    case 96: return 13;   // keypad Enter
    case 98: return 111;  // keypad divide
    case 110: return 45;  // Insert
    case 111: return 46;  // Delete
    default: return 0;
  }
}

int codeFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) {
    switch (qtKey) {
      case Qt::Key_Slash: return 111;
      case Qt::Key_Asterisk: return 106;
      case Qt::Key_Minus: return 109;
      case Qt::Key_Plus: return 107;
      case Qt::Key_Enter:
      case Qt::Key_Return: return 13;
      default: return 0;  // keypad digits and the rest are not bound
    }
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;  // same values as the codes
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
  switch (qtKey) {
    // Shifted digits of a US layout name the digit key they sit on.
    case Qt::Key_ParenRight: return '0';
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 189;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return 187;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 219;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 221;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 220;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 186;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 222;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 188;
    case Qt::Key_Period:
    case Qt::Key_Greater: return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 191;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Space: return 32;
    default: return 0;
  }
}

int codeFromKeyEvent(const QKeyEvent& event) {
  const std::uint32_t scan = event.nativeScanCode();
  if (scan > kXkbOffset && scanCodesAreEvdev()) return codeFromEvdev(scan - kXkbOffset);
  return codeFromQtKey(event.key(), event.modifiers());
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

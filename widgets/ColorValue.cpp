#include "widgets/ColorValue.h"

#include <QApplication>
#include <QPalette>

namespace tonalix::widgets {

namespace {
QColor systemColor(unsigned index) {
  const QPalette pal = QApplication::palette();
  switch (index) {
    case 1: case 12: return pal.color(QPalette::Window);                 // desktop, workspace
    case 2: case 13: return pal.color(QPalette::Highlight);              // active caption, selection
    case 3: case 10: case 11: return pal.color(QPalette::Mid);           // inactive caption, borders
    case 4: case 15: return pal.color(QPalette::Button);                 // menu, button face
    case 5: return pal.color(QPalette::Base);                            // window background
    case 6: case 21: return pal.color(QPalette::Shadow);                 // frame, dark shadow
    case 7: case 8: return pal.color(QPalette::WindowText);              // menu and window text
    case 9: case 14: return pal.color(QPalette::HighlightedText);        // caption text
    case 16: return pal.color(QPalette::Dark);                           // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::WindowText); // grey text
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Disabled, QPalette::HighlightedText);
    case 20: return pal.color(QPalette::Light);                          // button highlight
    case 22: return pal.color(QPalette::Midlight);                       // 3-D light
    case 23: return pal.color(QPalette::ToolTipText);
    case 24: return pal.color(QPalette::ToolTipBase);
    default: return pal.color(QPalette::Button);
  }
}
}  // namespace

QColor resolveColor(ColorValue value) {
  if (isSystemColor(value)) return systemColor(value & 0xFFu);
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>((value >> 16) & 0xFF));
}

ColorValue toColorValue(const QColor& colour) {
  return rgbValue(colour.red(), colour.green(), colour.blue());
}

}  // namespace tonalix::widgets

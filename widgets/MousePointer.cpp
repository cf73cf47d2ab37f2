#include "widgets/MousePointer.h"

#include <QCursor>
#include <QWidget>

namespace tonalix::widgets {

bool isValidMousePointer(int pointer) { return (pointer >= 0 && pointer <= 15) || pointer == kCustomMousePointer; }

void applyMousePointer(QWidget* widget, int pointer, const QPixmap& icon) {
  if (!widget) return;
  static const Qt::CursorShape shapes[] = {
      Qt::ArrowCursor,        // 1 arrow
      Qt::CrossCursor,        // 2 cross
      Qt::IBeamCursor,        // 3 I-beam
      Qt::ArrowCursor,        // 4 icon
      Qt::SizeAllCursor,      // 5 size
      Qt::SizeBDiagCursor,    // 6 size NE-SW
      Qt::SizeVerCursor,      // 7 size N-S
      Qt::SizeFDiagCursor,    // 8 size NW-SE
      Qt::SizeHorCursor,      // 9 size W-E
      Qt::UpArrowCursor,      // 10 up arrow
      Qt::WaitCursor,         // 11 hourglass
      Qt::ForbiddenCursor,    // 12 no drop
      Qt::BusyCursor,         // 13 arrow and hourglass
      Qt::WhatsThisCursor,    // 14 arrow and question mark
      Qt::SizeAllCursor,      // 15 size all
  };
  if (pointer == kCustomMousePointer && !icon.isNull())
    widget->setCursor(QCursor(icon));
  else if (pointer >= 1 && pointer <= 15)
    widget->setCursor(shapes[pointer - 1]);
  else
    widget->unsetCursor();
}

}  // namespace tonalix::widgets

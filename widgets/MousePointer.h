// The numbered mouse pointer shapes a widget can be given (0 = the default pointer, 99 = the
// widget's own MouseIcon picture), applied as a Qt cursor.
#pragma once

#include <QPixmap>

class QWidget;

namespace tonalix::widgets {

constexpr int kCustomMousePointer = 99;

// True for the numbers that name a shape: 0 to 15 and 99.
bool isValidMousePointer(int pointer);
// Sets the widget's cursor for pointer; 99 uses icon (the default arrow when icon is null).
void applyMousePointer(QWidget* widget, int pointer, const QPixmap& icon);

}  // namespace tonalix::widgets

#include "keyboard/NoFocusRect.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace tonalix::keyboard {

namespace {
// One filter serves every key: they are all of one kind and share the same behaviour.
class NoFocusRectProc : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The focus-in notification is swallowed, as if it had been handled; focus itself has
    // already moved, so key events still arrive.
    if (event->type() == QEvent::FocusIn) return true;
    return QObject::eventFilter(watched, event);
  }
};

NoFocusRectProc& filter() {
  static NoFocusRectProc instance;
  return instance;
}
}  // namespace

void SetNoFocusRect(QWidget* control, bool enable) {
  if (!control) return;
  if (enable)
    control->installEventFilter(&filter());
  else
    control->removeEventFilter(&filter());
}

}  // namespace tonalix::keyboard

#include "app/MainWindowProc.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace tonalix {

MainWindowProc::MainWindowProc(QWidget* window) : QObject(window), window_(window) {}

MainWindowProc* MainWindowProc::Install(QWidget* window) {
  if (!window) return nullptr;
  auto* proc = new MainWindowProc(window);
  // Equal minimum and maximum sizes tell the window manager that no border or corner sizes
  // the window, and take the size entry out of its window menu.
  window->setFixedSize(window->size());
  window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  window->installEventFilter(proc);
  return proc;
}

bool MainWindowProc::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::WindowStateChange) {
    // A maximise or full-screen request from the window manager is undone; minimising is fine.
    const Qt::WindowStates state = window_->windowState();
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
      QTimer::singleShot(0, window_, [w = window_] {
        w->setWindowState(w->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
      });
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tonalix

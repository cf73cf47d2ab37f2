#include "app/AfterFirstFrame.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace tonalix {

AfterFirstFrame::AfterFirstFrame(QWidget& window, std::function<void()> work, int deadlineMs)
    : QObject(&window), work_(std::move(work)) {
  // The native window paints and flushes its first frame while it handles its first exposure;
  // a zero timer queued then fires after that handling is done.
  if (QWindow* native = window.windowHandle())
    native->installEventFilter(this);
  else
    QTimer::singleShot(0, this, [this] { runOnce(); });
  QTimer::singleShot(deadlineMs, this, [this] { runOnce(); });
}

bool AfterFirstFrame::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
    watched->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] { runOnce(); });
  }
  return false;
}

void AfterFirstFrame::runOnce() {
  if (!work_) return;
  auto work = std::move(work_);
  work_ = nullptr;
  work();
}

}  // namespace tonalix

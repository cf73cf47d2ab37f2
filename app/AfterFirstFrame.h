// Runs a piece of start-up work once the main window's first frame is on the screen.
// Loading the synthesizer and its SoundFont takes a quarter of a second of a core and a great
// deal of memory traffic; done beside the building of the window it slowed the window by a
// fifth on a two-core machine, while nobody plays in the instant before the window shows.
// What the window sends meanwhile waits in the engine's queue and is played once it runs.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace tonalix {

class AfterFirstFrame : public QObject {
 public:
  // `window` must have been shown. `work` runs once, on this thread, right after the window's
  // first exposure has been painted and flushed, or after `deadlineMs` if the window is never
  // exposed (started minimised, or on a hidden workspace).
  AfterFirstFrame(QWidget& window, std::function<void()> work, int deadlineMs = 1000);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void runOnce();
  std::function<void()> work_;
};

}  // namespace tonalix

// Keeps the main window at its designed size: no resizing by border, corner, maximise or the
// window manager's size command, while moving and closing work as usual.
#pragma once

#include <QObject>

class QWidget;

namespace tonalix {

class MainWindowProc : public QObject {
 public:
  // Installs itself on the window and lives as long as the window does.
  static MainWindowProc* Install(QWidget* window);

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit MainWindowProc(QWidget* window);
  QWidget* window_;
};

}  // namespace tonalix

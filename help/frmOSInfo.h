// The system information window: a few lines that name the running system and its kernel.
#pragma once

#include <QWidget>

class QLabel;

namespace tonalix::help {

class frmOSInfo : public QWidget {
  Q_OBJECT
 public:
  // Builds the window and fills Label1 (the window's load); closing it deletes it, so the
  // next "System Info" reads the system again.
  explicit frmOSInfo(QWidget* parent = nullptr);

  QLabel* Label1() const { return label1_; }

 private:
  QLabel* label1_ = nullptr;
};

}  // namespace tonalix::help

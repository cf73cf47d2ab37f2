// The main window's face: a lacquered instrument panel with the program's name, the felt strip
// behind the keys and recessed areas for the control groups. Painted once per size and cached.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace tonalix {

class PanelBackground : public QWidget {
 public:
  explicit PanelBackground(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void paintPanel();
  QPixmap cache_;
};

}  // namespace tonalix

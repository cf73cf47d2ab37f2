// A drum pad's rate spinner: a vertical scroll bar so short that only its two arrow buttons
// show. The up arrow steps towards Min (the top), the down arrow towards Max; holding an arrow
// repeats the step.
#pragma once

#include <QAbstractSlider>

namespace tonalix::drums {

class RateSpinner : public QAbstractSlider {
  Q_OBJECT
 public:
  explicit RateSpinner(QWidget* parent = nullptr);

  QSize sizeHint() const override { return {13, 17}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // 0 none, -1 the up arrow is held, +1 the down arrow.
  int pressed_ = 0;
};

}  // namespace tonalix::drums

#include "drums/RateSpinner.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace tonalix::drums {

namespace {
// Delay before an arrow held down starts repeating, and the repeat period, in ms.
constexpr int kRepeatDelay = 400;
constexpr int kRepeatPeriod = 100;
}  // namespace

RateSpinner::RateSpinner(QWidget* parent) : QAbstractSlider(parent) {
  setOrientation(Qt::Vertical);
  // Min stands at the top, so the wheel turned up steps towards it, as on a scroll bar.
  setInvertedControls(true);
  setFocusPolicy(Qt::NoFocus);  // the keyboard stays with the piano
}

void RateSpinner::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int half = height() / 2;
  const QRect arrows[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
  for (int k = 0; k < 2; ++k) {
    QStyleOption option;
    option.initFrom(this);
    option.rect = arrows[k];
    const bool down = pressed_ == (k == 0 ? -1 : 1);
    option.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    const bool atEnd = k == 0 ? value() <= minimum() : value() >= maximum();
    if (atEnd || !isEnabled()) option.state &= ~QStyle::State_Enabled;
    style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &p, this);
    style()->drawPrimitive(k == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                           &option, &p, this);
  }
}

void RateSpinner::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressed_ = event->position().y() < height() / 2.0 ? -1 : 1;
  const SliderAction action = pressed_ < 0 ? SliderSingleStepSub : SliderSingleStepAdd;
  triggerAction(action);
  setRepeatAction(action, kRepeatDelay, kRepeatPeriod);
  update();
}

void RateSpinner::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = 0;
  setRepeatAction(SliderNoAction);
  update();
}

}  // namespace tonalix::drums

// The small floating label that shows a slider's value while its thumb is dragged. It sits on
// top of other windows and never takes the focus.
#pragma once

#include <QLabel>

namespace tonalix::widgets {

class ValueTip : public QLabel {
  Q_OBJECT
 public:
  ValueTip();

  // Shows value next to anchor (global coordinates): to the right of a vertical slider's thumb,
  // above a horizontal one's.
  void showNear(const QRect& anchor, bool vertical, int value);
};

}  // namespace tonalix::widgets

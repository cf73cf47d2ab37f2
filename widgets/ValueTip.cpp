#include "widgets/ValueTip.h"

namespace tonalix::widgets {

ValueTip::ValueTip() : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setMargin(2);
  setStyleSheet(QStringLiteral("QLabel { background: #202428; color: #e8f0e0; border: 1px solid #5a6068; }"));
}

void ValueTip::showNear(const QRect& anchor, bool vertical, int value) {
  setText(QString::number(value));
  adjustSize();
  QPoint at;
  if (vertical)
    at = QPoint(anchor.right() + 4, anchor.center().y() - height() / 2);
  else
    at = QPoint(anchor.center().x() - width() / 2, anchor.top() - height() - 4);
  move(at);
  if (!isVisible()) show();
  raise();
}

}  // namespace tonalix::widgets

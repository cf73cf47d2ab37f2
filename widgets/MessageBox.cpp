#include "widgets/MessageBox.h"

#include <QMessageBox>

namespace tonalix::widgets {

void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon) {
  const auto qtIcon = icon == MessageIcon::Information ? QMessageBox::Information
                      : icon == MessageIcon::Warning   ? QMessageBox::Warning
                      : icon == MessageIcon::Critical  ? QMessageBox::Critical
                                                       : QMessageBox::NoIcon;
  QMessageBox box(qtIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace tonalix::widgets

#include "widgets/MessageBox.h"

#include <QMessageBox>

namespace tonalix::widgets {

void ShowMessageBox(QWidget* parent, const QString& caption, const QString& text, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon, caption,
                  text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace tonalix::widgets

#include "help/frmOSInfo.h"

#include <QFrame>
#include <QLabel>

#include "help/modOS.h"
#include "platform/system/ProgramName.h"

namespace tonalix::help {

frmOSInfo::frmOSInfo(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmOSInfo"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral(" ") + QString::fromUtf8(platform::kProgramTitle));
  setFixedSize(330, 150);

  auto* shape = new QFrame(this);
  shape->setFrameShape(QFrame::Box);
  shape->setFrameShadow(QFrame::Sunken);
  shape->setGeometry(8, 8, width() - 16, height() - 16);

  label1_ = new QLabel(this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setGeometry(20, 16, width() - 40, height() - 32);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label1_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // The label is handed in: the description is written here, never into a new window.
  GetOSName(label1_);
}

}  // namespace tonalix::help

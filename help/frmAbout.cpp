#include "help/frmAbout.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QTextBrowser>

#include "help/Logo.h"
#include "platform/system/BuiltInData.h"
#include "platform/system/ProgramName.h"

namespace tonalix::help {
namespace {

// The built-in text of the sample songs' sources and licences.
constexpr int kSongSourcesId = 201;

}  // namespace

QUrl frmAbout::WebAddress() { return QUrl(QString::fromUtf8(TONALIX_HOMEPAGE)); }

frmAbout::frmAbout(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmAbout"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral(" About ") + QString::fromUtf8(platform::kProgramTitle));
  setFixedSize(560, 420);
  OpenUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  auto* outer = new QFrame(this);
  outer->setFrameShape(QFrame::Box);
  outer->setFrameShadow(QFrame::Sunken);
  outer->setGeometry(8, 8, width() - 16, 112);
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  rule->setGeometry(16, 128, width() - 32, 4);

  image1_ = new QLabel(this);
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setPixmap(TonalixLogo(88));
  image1_->setGeometry(20, 20, 88, 88);

  label1_ = new QLabel(QStringLiteral("    ") + QString::fromUtf8(platform::kProgramTitle), this);
  label1_->setObjectName(QStringLiteral("Label1"));
  QFont title = label1_->font();
  title.setPointSize(title.pointSize() + 6);
  title.setBold(true);
  label1_->setFont(title);
  label1_->setGeometry(112, 28, width() - 140, 36);

  label5_ = new QLabel(WebAddress().toString(), this);
  label5_->setObjectName(QStringLiteral("Label5"));
  label5_->setGeometry(128, 72, width() - 156, 24);
  label5_->setCursor(Qt::PointingHandCursor);
  QFont link = label5_->font();
  link.setUnderline(true);
  label5_->setFont(link);
  label5_->setStyleSheet(QStringLiteral("color: #1a4fa0;"));
  label5_->installEventFilter(this);

  sources_ = new QTextBrowser(this);
  sources_->setObjectName(QStringLiteral("SongSources"));
  sources_->setGeometry(16, 140, width() - 32, height() - 156);
  sources_->setOpenExternalLinks(true);
  const auto text = platform::FindResData(kSongSourcesId, "TEXT");
  sources_->setMarkdown(QString::fromUtf8(reinterpret_cast<const char*>(text.data()),
                                          static_cast<qsizetype>(text.size())));
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == label5_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Label5_Click();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void frmAbout::Label5_Click() {
  // The desktop's browser opens the address in a window of its own; a failure is not reported.
  if (OpenUrl) OpenUrl(WebAddress());
}

}  // namespace tonalix::help

#include "help/HelpWindows.h"

#include <QFileInfo>
#include <QLabel>
#include <algorithm>

#include "help/HelpViewer.h"
#include "platform/help/ChmFile.h"
#include "widgets/MessageBox.h"

namespace tonalix::help {
namespace {

struct Target {
  QString file;
  QString windowType;
  QString topic;
};

// The rest of a target after its file: "", ">window", "::/topic" or "::/topic>window".
bool isTargetRest(const QString& rest) {
  return rest.isEmpty() || rest.startsWith(QLatin1Char('>')) || rest.startsWith(QLatin1String("::"));
}

// "file::/topic>window" in any of its parts. The file is found first, as the longest prefix
// ending in ".chm" that names an existing file (else anything existing, such as a folder, so
// that opening it says what is wrong), so a Linux path holding ">" or "::" still works; when
// nothing exists the first separator ends the file name.
Target splitTarget(const QString& target) {
  Target t;
  int fileEnd = -1, existingEnd = -1;
  const QLatin1String suffix(".chm");
  for (int at = target.indexOf(suffix, 0, Qt::CaseInsensitive); at >= 0;
       at = target.indexOf(suffix, at + 1, Qt::CaseInsensitive)) {
    const int end = at + suffix.size();
    if (!isTargetRest(target.mid(end))) continue;
    const QFileInfo info(target.left(end));
    if (info.isFile()) fileEnd = end;
    if (info.exists()) existingEnd = end;
  }
  if (fileEnd < 0) fileEnd = existingEnd;
  if (fileEnd < 0) {
    const int gt = target.indexOf(QLatin1Char('>'));
    const int sep = target.indexOf(QLatin1String("::"));
    fileEnd = gt < 0 ? sep : sep < 0 ? gt : std::min(gt, sep);
    if (fileEnd < 0) fileEnd = static_cast<int>(target.size());
  }
  t.file = target.left(fileEnd);
  QString rest = target.mid(fileEnd);
  if (rest.startsWith(QLatin1String("::"))) {
    rest = rest.mid(2);
    const int gt = rest.lastIndexOf(QLatin1Char('>'));
    t.topic = gt < 0 ? rest : rest.left(gt);
    rest = gt < 0 ? QString() : rest.mid(gt);
  }
  if (rest.startsWith(QLatin1Char('>'))) t.windowType = rest.mid(1).trimmed();
  return t;
}

}  // namespace

HelpWindows& HelpWindows::instance() {
  static HelpWindows windows;
  return windows;
}

HelpWindows::HelpWindows() {
  ShowLookupMessage = [](const QString& title, const QString& text) {
    widgets::ShowMessageBox(nullptr, title, text, widgets::MessageIcon::Information);
  };
}

std::shared_ptr<const platform::ChmFile> HelpWindows::open(const QString& path) {
  const QString key = QFileInfo(path).absoluteFilePath();
  if (auto file = files_.value(key).lock()) return file;
  std::string error;
  std::shared_ptr<const platform::ChmFile> file = platform::ChmFile::Open(key.toStdString(), error);
  if (!file) {
    // A folder, a damaged file or one that is no help file at all: the wrapper's words.
    lastError_ = path + QStringLiteral(" is not a valid HTML Help file.");
    return nullptr;
  }
  files_.insert(key, file);
  return file;
}

HelpViewer* HelpWindows::viewerFor(QWidget* owner, const QString& target, bool showStart) {
  lastError_.clear();
  const Target t = splitTarget(target);
  if (t.file.isEmpty()) {
    lastError_ = QStringLiteral("No help file was named.");
    return nullptr;
  }
  auto file = open(t.file);
  if (!file) return nullptr;
  // A request without a window type uses the file's default one, so it lands in the same
  // window as a request that names that type.
  QString typeName = t.windowType;
  if (typeName.isEmpty()) typeName = QString::fromStdString(file->DefaultWindow());
  const platform::ChmWindowType* type = nullptr;
  if (!typeName.isEmpty()) {
    type = file->WindowType(typeName.toStdString());
    if (!type && !t.windowType.isEmpty()) {
      lastError_ = QStringLiteral("The help file has no window type \"%1\".").arg(t.windowType);
      return nullptr;
    }
  }
  const QString key = QString::fromStdString(file->path()) + QLatin1Char('>') +
                      (type ? QString::fromStdString(type->name).toLower() : QString());
  HelpViewer* viewer = viewers_.value(key);
  if (!viewer) {
    viewer = new HelpViewer(file, type, owner);
    viewers_.insert(key, viewer);
    if (showStart) viewer->ShowDefaultTopic();
  } else if (viewer->parentWidget() != owner) {
    // A viewer owned by a form stays above it; one without an owner stands on its own.
    viewer->setParent(owner, Qt::Window);
  }
  if (!t.topic.isEmpty() && !viewer->ShowTopic(t.topic)) {
    lastError_ = QStringLiteral("The help file has no topic %1.").arg(t.topic);
  }
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
  return viewer;
}

HelpViewer* HelpWindows::DisplayTopic(QWidget* owner, const QString& target, const QString& topicUrl) {
  HelpViewer* viewer = viewerFor(owner, target, topicUrl.isEmpty());
  if (!viewer || topicUrl.isEmpty()) return viewer;
  if (!viewer->ShowTopic(topicUrl)) {
    lastError_ = QStringLiteral("The help file has no topic %1.").arg(topicUrl);
    if (viewer->currentTopic().isEmpty()) viewer->ShowDefaultTopic();
  }
  return viewer;
}

HelpViewer* HelpWindows::HelpContext(QWidget* owner, const QString& target, quint32 contextId) {
  // The start page is not loaded first: the topic is shown straight away.
  HelpViewer* viewer = viewerFor(owner, target, false);
  if (!viewer) return nullptr;
  const auto& map = viewer->file().ContextMap();
  const auto it = map.find(contextId);
  if (it == map.end() || !viewer->ShowTopic(QString::fromStdString(it->second))) {
    lastError_ = QStringLiteral("The help file maps no topic to context %1.").arg(contextId);
    if (viewer->currentTopic().isEmpty()) viewer->ShowDefaultTopic();
  }
  return viewer;
}

HelpViewer* HelpWindows::DisplayContents(QWidget* owner, const QString& target) {
  HelpViewer* viewer = viewerFor(owner, target);
  if (viewer) viewer->ShowTab(HelpViewer::Tab::Contents);
  return viewer;
}

HelpViewer* HelpWindows::DisplayIndex(QWidget* owner, const QString& target) {
  HelpViewer* viewer = viewerFor(owner, target);
  if (viewer) viewer->ShowTab(HelpViewer::Tab::Index);
  return viewer;
}

HelpViewer* HelpWindows::DisplaySearch(QWidget* owner, const QString& target) {
  HelpViewer* viewer = viewerFor(owner, target);
  if (viewer) viewer->ShowTab(HelpViewer::Tab::Search);
  return viewer;
}

HelpViewer* HelpWindows::KeywordLookup(QWidget* owner, const QString& target, const HelpLookup& lookup) {
  const QString windowTarget =
      lookup.windowType.trimmed().isEmpty() ? target : target + QLatin1Char('>') + lookup.windowType.trimmed();
  HelpViewer* viewer = viewerFor(owner, windowTarget);
  if (!viewer) return nullptr;
  const QStringList topics = viewer->LookupKeywords(lookup.keywords);
  if (!topics.isEmpty() && viewer->ShowTopic(topics.first())) return viewer;
  if (!lookup.defaultUrl.isEmpty() && viewer->ShowTopic(lookup.defaultUrl)) return viewer;
  // The caller's own message says it when there is one.
  if (!lookup.msgText.isEmpty()) ShowLookupMessage(lookup.msgTitle, lookup.msgText);
  else lastError_ = QStringLiteral("No topic matches %1.").arg(lookup.keywords);
  return nullptr;
}

HelpViewer* HelpWindows::ALinkLookup(QWidget* owner, const QString& target, const HelpLookup& lookup) {
  const QString windowTarget =
      lookup.windowType.trimmed().isEmpty() ? target : target + QLatin1Char('>') + lookup.windowType.trimmed();
  HelpViewer* viewer = viewerFor(owner, windowTarget);
  if (!viewer) return nullptr;
  if (!lookup.defaultUrl.isEmpty() && viewer->ShowTopic(lookup.defaultUrl)) return viewer;
  // The caller's own message says it when there is one.
  if (!lookup.msgText.isEmpty()) ShowLookupMessage(lookup.msgTitle, lookup.msgText);
  else lastError_ = QStringLiteral("No topic matches %1.").arg(lookup.keywords);
  return nullptr;
}

QString HelpWindows::PopupText(const QString& target, int id) {
  lastError_.clear();
  const Target t = splitTarget(target);
  auto file = open(t.file);
  if (!file) return {};
  const auto data = file->Read(t.topic.toStdString());
  if (!data) {
    lastError_ = QStringLiteral("The help file has no popup file %1.").arg(t.topic);
    return {};
  }
  // Popup files hold entries that start with a line ".topic <number>".
  const QStringList lines = QString::fromUtf8(data->data(), static_cast<qsizetype>(data->size())).split(QLatin1Char('\n'));
  QStringList text;
  bool inEntry = false;
  for (QString line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.startsWith(QLatin1String(".topic"), Qt::CaseInsensitive)) {
      if (inEntry) break;
      inEntry = line.mid(6).trimmed().toInt() == id;
      continue;
    }
    if (inEntry) text.append(line);
  }
  return text.join(QLatin1Char('\n')).trimmed();
}

QWidget* HelpWindows::DisplayTextPopup(QWidget* owner, const HelpPopup& popup) {
  if (popup_) popup_->close();
  auto* label = new QLabel(popup.text, owner, Qt::Popup);
  label->setAttribute(Qt::WA_DeleteOnClose);
  label->setWordWrap(true);
  label->setMargin(6);
  label->setMaximumWidth(400);
  const QStringList parts = popup.font.split(QLatin1Char(','));
  QFont font(parts.value(0).trimmed());
  font.setPointSize(parts.value(1).trimmed().toInt() > 0 ? parts.value(1).trimmed().toInt() : 10);
  const QString styles = parts.value(3);
  font.setBold(styles.contains(QLatin1String("Bold")));
  font.setItalic(styles.contains(QLatin1String("Italic")));
  font.setUnderline(styles.contains(QLatin1String("Underline")));
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, popup.backColor);
  palette.setColor(QPalette::WindowText, popup.textColor);
  label->setPalette(palette);
  label->setAutoFillBackground(true);
  label->adjustSize();
  label->move(popup.position);
  label->show();
  popup_ = label;
  return label;
}

void HelpWindows::CloseAll() {
  for (const auto& viewer : std::as_const(viewers_))
    if (viewer) viewer->close();
  viewers_.clear();
  if (popup_) popup_->close();
}

}  // namespace tonalix::help

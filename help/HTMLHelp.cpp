#include "help/HTMLHelp.h"

#include <QCursor>
#include <QWhatsThis>
#include <QWidget>
#include <array>
#include <filesystem>
#include <system_error>

#include "help/HelpViewer.h"
#include "help/HelpWindows.h"
#include "platform/system/BuiltInData.h"
#include "platform/system/InstallLayout.h"
#include "widgets/MessageBox.h"

namespace tonalix::help {
namespace {

constexpr std::array<const char*, 11> kMinHHVersions = {
    "4.72.7290", "4.72.7323", "4.72.7325", "4.72.8164.0", "4.73.8252", "4.73.8412",
    "4.73.8474", "4.73.8561", "4.74.8566", "4.74.8637", "4.74.8702"};
constexpr int kFirstHHCode = 16;

constexpr std::array<const char*, 18> kMinIEVersions = {
    "4.70.1155", "4.70.1158", "4.70.1215", "4.70.1300", "4.71.1008.3", "4.71.1712.5",
    "4.72.2106.7", "4.72.3110.03", "4.72.3612.1707", "5.00.0518.5", "5.00.0910.1308", "5.00.2014.213",
    "5.00.2314.1000", "5.00.2614.3500", "5.0.2717.2000", "5.00.2721.1400", "5.00.2919.800",
    "5.00.2919.3800"};
constexpr int kFirstIECode = 256;

struct Friendly {
  const char* version;
  const char* name;
};

constexpr Friendly kHHNames[] = {
    {"4.72.7290.00", "1.0"}, {"4.72.7323.00", "1.1"}, {"4.72.7325.00", "1.1a"},
    {"4.72.8164.00", "1.1b"}, {"4.73.8252.00", "1.2"}, {"4.73.8412.00", "1.21"},
    {"4.73.8474.00", "1.21a"}, {"4.73.8561.00", "1.22"}, {"4.74.8566.00", "1.3 Windows 2000 Beta"},
    {"4.74.8637.00", "1.3 IE 5.5 Platform Preview Beta"}, {"4.74.8702.00", "1.3"}};

constexpr Friendly kIENames[] = {
    {"4.70.1155.0000", "3.0"}, {"4.70.1158.0000", "3.0 OSR2"}, {"4.70.1215.0000", "3.02"},
    {"4.70.1300.0000", "3.02"}, {"4.71.1008.3000", "4.0 PP2"}, {"4.71.1712.5000", "4.0"},
    {"4.72.2106.7000", "4.01"}, {"4.72.3110.0300", "4.0 SP1"}, {"4.72.3612.1707", "4.0 SP2"},
    {"5.00.0518.5000", "5.0 beta 1"}, {"5.00.0910.1308", "5.0 beta 2"}, {"5.00.2014.2130", "5.0"},
    {"5.00.2314.1000", "5.0a (Office 2000)"}, {"5.00.2614.3500", "5.0b (Windows 98 SE)"},
    {"5.00.2717.2000", "5.0c (Icon Security Issue Update)"},
    {"5.00.2721.1400", "5.0d (ImportExport Favorites Issue Update)"},
    {"5.00.2919.800", "5.x (Windows 2000 RC1, build 5.00.2072)"},
    {"5.00.2919.3800", "5.x (Windows 2000 RC2, build 5.00.2128)"}, {"5.00.2919.6307", "5.01"},
    {"5.50.3825.1300", "5.5 Platform Preview"}};

template <std::size_t N>
QString friendlyName(const Friendly (&table)[N], const QString& version) {
  for (const Friendly& f : table)
    if (version.compare(QLatin1String(f.version), Qt::CaseInsensitive) == 0) return QString::fromLatin1(f.name);
  return QStringLiteral("unknown");
}

// The exact path, no pattern: a folder named "[a]" is just a folder. Any error means "no".
bool existsExactly(const QString& path) {
  std::error_code ec;
  const bool found = std::filesystem::exists(std::filesystem::path(path.toStdString()), ec);
  return found && !ec;
}

QString lastComponent(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

}  // namespace

HTMLHelp::HTMLHelp() {
  ShowMessage = [](MessageKind kind, const QString& text) {
    using widgets::MessageIcon;
    const auto icon = kind == MessageKind::Error     ? MessageIcon::Critical
                      : kind == MessageKind::Warning ? MessageIcon::Warning
                                                     : MessageIcon::Information;
    widgets::ShowMessageBox(nullptr, QString::fromLatin1(kMessageCaption), text, icon);
  };
  // Help files lie with the program's data: beside it in the build tree, under
  // share/tonalix-studio once installed.
  ProgramFolder = QString::fromStdString(platform::DataFolder());
  DetectHHVersion = [] { return VersionText(4, 0, 0, 0); };
  DetectIEVersion = [] {
    const QStringList parts = QString::fromLatin1(qVersion()).split(QLatin1Char('.'));
    return VersionText(parts.value(0).toUInt(), parts.value(1).toUInt(), parts.value(2).toUInt(), 0);
  };
}

void HTMLHelp::setRegistrationStore(const QString& path) {
  registrations_ = platform::HelpRegistrations(path.toStdString());
}

QString HTMLHelp::Target() const {
  if (hhWindow_.trimmed().isEmpty()) return chmFile_;
  return chmFile_ + QLatin1Char('>') + hhWindow_;
}

bool HTMLHelp::nameCheck(const QString& name) {
  if (name.right(3).compare(QLatin1String("chm"), Qt::CaseInsensitive) == 0) return true;
  ShowMessage(MessageKind::Warning, name + QStringLiteral(" is not a valid HTML Help file."));
  return false;
}

bool HTMLHelp::EnsureFileExists(QString& FileToFind) {
  QString path = FileToFind;
  if (!path.contains(QLatin1Char('/'))) {
    HHCheckRegistry(path);
    path = !regFileName_.isEmpty() ? regFilePath_ + QLatin1Char('/') + regFileName_
                                   : ProgramFolder + QLatin1Char('/') + path;
  }
  FileToFind = path;
  if (existsExactly(path)) return true;
  ShowMessage(MessageKind::Warning,
              QStringLiteral("The file ") + path + QStringLiteral(" does not exist.") + QLatin1Char('\n') +
                  QStringLiteral("Please make sure the correct path and file name have been specified."));
  return false;
}

bool HTMLHelp::prepare(const char* method, QWidget* callingForm, QWidget*& owner) {
  if (!nameCheck(chmFile_)) return false;
  if (!EnsureFileExists(chmFile_)) return false;
  if (showOnTop_ && !callingForm) {
    ShowMessage(MessageKind::Warning, QStringLiteral("The ") + QLatin1String(method) +
                                          QStringLiteral(" method was called ") +
                                          QStringLiteral("without a form being specified, while HHShowOnTop ") +
                                          QStringLiteral("was set to True."));
    return false;
  }
  owner = showOnTop_ ? callingForm : nullptr;
  return true;
}

QWidget* HTMLHelp::shown(QWidget* viewer) {
  window_ = viewer;
  // The viewer cannot show a box of its own kind; what it could not do is told here.
  const QString& error = HelpWindows::instance().lastError();
  if (!error.isEmpty()) ShowMessage(MessageKind::Warning, error);
  return viewer;
}

void HTMLHelp::HHDisplayTopicID(QWidget* callingForm) {
  QWidget* owner = nullptr;
  if (!prepare("HHDisplayTopicID", callingForm, owner)) return;
  shown(HelpWindows::instance().HelpContext(owner, Target(), static_cast<quint32>(topicId_)));
}

void HTMLHelp::HHDisplayTopicURL(QWidget* callingForm) {
  QWidget* owner = nullptr;
  if (!prepare("HHDisplayTopicURL", callingForm, owner)) return;
  shown(HelpWindows::instance().DisplayTopic(owner, Target(), topicUrl_));
}

void HTMLHelp::HHDisplayContents(QWidget* callingForm) {
  QWidget* owner = nullptr;
  if (!prepare("HHDisplayContents", callingForm, owner)) return;
  shown(HelpWindows::instance().DisplayContents(owner, Target()));
}

void HTMLHelp::HHDisplayIndex(QWidget* callingForm) {
  QWidget* owner = nullptr;
  if (!prepare("HHDisplayIndex", callingForm, owner)) return;
  shown(HelpWindows::instance().DisplayIndex(owner, Target()));
}

void HTMLHelp::HHDisplaySearch(QWidget* callingForm) {
  QWidget* owner = nullptr;
  if (!prepare("HHDisplaySearch", callingForm, owner)) return;
  shown(HelpWindows::instance().DisplaySearch(owner, Target()));
}

void HTMLHelp::HHDisplayKeyword(QWidget* callingForm) {
  QWidget* owner = nullptr;
  if (!prepare("HHDisplayKeyword", callingForm, owner)) return;
  auto& windows = HelpWindows::instance();
  if (!shown(windows.DisplayTopic(owner, chmFile_, QString()))) return;
  shown(windows.KeywordLookup(owner, chmFile_, {keyword_, defaultUrl_, msgText_, msgTitle_, hhWindow_}));
}

void HTMLHelp::HHDisplayALink(QWidget* callingForm) {
  QWidget* owner = nullptr;
  if (!prepare("HHDisplayALink", callingForm, owner)) return;
  auto& windows = HelpWindows::instance();
  if (!shown(windows.DisplayTopic(owner, chmFile_, QString()))) return;
  shown(windows.ALinkLookup(owner, chmFile_, {alink_, defaultUrl_, msgText_, msgTitle_, hhWindow_}));
}

void HTMLHelp::HHDisplayPopup(QWidget* callingForm) {
  if (popupType_ != 1 && popupType_ != 2 && popupType_ != 4) return;
  if (popupType_ == 1 && (!nameCheck(chmFile_) || !EnsureFileExists(chmFile_))) return;
  if (popupType_ == 4 && popupText_.isEmpty()) return;

  HelpPopup popup;
  popup.position = QCursor::pos();
  popup.textColor = popupCustomColors_ ? popupCustomTextColor_ : popupTextColor_;
  popup.backColor = popupCustomColors_ ? popupCustomBackColor_ : popupBackColor_;
  popup.font = (popupFont_.isEmpty() ? QStringLiteral("Arial") : popupFont_) + QStringLiteral(", ") +
               (popupSize_.isEmpty() ? QStringLiteral("10") : popupSize_) + QStringLiteral(", ascii, ") +
               (popupBold_ ? QStringLiteral("Bold ") : QString()) +
               (popupItalic_ ? QStringLiteral("Italic ") : QString()) +
               (popupUnderline_ ? QStringLiteral("Underline") : QString());
  if (popupType_ == 1) {
    if (!popupFile_.endsWith(QLatin1String("txt"))) {
      ShowMessage(MessageKind::Warning, QStringLiteral("The file specified as the text popup source, '") +
                                            popupFile_ + QStringLiteral("', is not a valid popup file."));
      return;
    }
    popup.text = HelpWindows::instance().PopupText(chmFile_ + QStringLiteral("::/") + popupFile_, popupId_);
    if (!HelpWindows::instance().lastError().isEmpty())
      ShowMessage(MessageKind::Warning, HelpWindows::instance().lastError());
  } else if (popupType_ == 2) {
    // The program's string resources are its built-in data items of type "STRING".
    const auto item = platform::LoadResData(popupId_, "STRING");
    if (item.ok()) popup.text = QString::fromUtf8(reinterpret_cast<const char*>(item.bytes.data()),
                                                  static_cast<qsizetype>(item.bytes.size()));
  } else {
    popup.text = popupText_;
  }
  if (popup.text.isEmpty()) return;
  HelpWindows::instance().DisplayTextPopup(callingForm, popup);
  popupTextColor_ = popupBackColor_ = popupCustomTextColor_ = popupCustomBackColor_ = QColor(0, 0, 0);
  popupFont_ = QStringLiteral("Arial");
  popupSize_ = QStringLiteral("10");
  popupBold_ = popupItalic_ = popupUnderline_ = false;
}

void HTMLHelp::HHClose() { HelpWindows::instance().CloseAll(); }

void HTMLHelp::HHDeleteJumpURLSysMenu(QWidget*) {}

void HTMLHelp::HHInvokeWhatsThisHelp(QWidget*) { QWhatsThis::enterWhatsThisMode(); }

bool HTMLHelp::HHCheckRegistry(const QString& FileToCheck) {
  if (FileToCheck.isEmpty()) return false;
  regFileExists_ = false;
  if (!nameCheck(FileToCheck)) return false;
  const QString name = lastComponent(FileToCheck);
  const auto entry = registrations_.Lookup(name.toStdString());
  if (!entry) {
    regFileName_.clear();
    regFilePath_.clear();
    return false;
  }
  // Names match without regard to case, but this file system tells cases apart: the path is
  // built from the name as it was registered.
  regFileName_ = QString::fromStdString(entry->fileName);
  regFilePath_ = QString::fromStdString(entry->folder);
  // Folders are recorded with their trailing separator.
  if (regFilePath_.endsWith(QLatin1Char('/'))) regFilePath_.chop(1);
  QString full = regFilePath_ + QLatin1Char('/') + regFileName_;
  regFileExists_ = EnsureFileExists(full);
  return false;
}

void HTMLHelp::HHRegister(const QString& FileToRegister) {
  if (FileToRegister.isEmpty() || !nameCheck(FileToRegister)) return;
  HHCheckRegistry(FileToRegister);
  if (!regFileName_.isEmpty()) {
    ShowMessage(MessageKind::Information, QStringLiteral("The file ") + FileToRegister +
                                              QStringLiteral(" is already registered.  ") +
                                              QStringLiteral("HHRegister will not be run as no action need be taken."));
    return;
  }
  if (!FileToRegister.contains(QLatin1Char('/'))) {
    ShowMessage(MessageKind::Warning, QStringLiteral("Cannot register ") + FileToRegister +
                                          QStringLiteral(" without having a supplied path.\""));
    return;
  }
  QString path = FileToRegister;
  if (!EnsureFileExists(path)) return;
  const int slash = path.lastIndexOf(QLatin1Char('/'));
  const QString file = path.mid(slash + 1);
  const QString folder = path.left(slash + 1);
  // A list that cannot be written is said so rather than left looking registered.
  if (!registrations_.Set(file.toStdString(), folder.toStdString()).empty())
    ShowMessage(MessageKind::Warning, QStringLiteral("HTML Help Class: HHRegister Error"));
}

void HTMLHelp::HHUnRegister(const QString& FileToUnRegister) {
  if (FileToUnRegister.isEmpty() || !nameCheck(FileToUnRegister)) return;
  HHCheckRegistry(FileToUnRegister);
  if (regFileName_.isEmpty()) {
    ShowMessage(MessageKind::Information, QStringLiteral("The file ") + FileToUnRegister +
                                              QStringLiteral(" is not registered.  ") +
                                              QStringLiteral("HHUnRegister will not be run as no action need be taken."));
    return;
  }
  registrations_.Remove(lastComponent(FileToUnRegister).toStdString());
  HHCheckRegistry(FileToUnRegister);
}

QString HTMLHelp::VersionText(unsigned major, unsigned minor, unsigned build, unsigned revision) {
  auto two = [](unsigned n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
  if (build == 0)
    return QString::number(major) + QLatin1Char('.') + two(minor) + QLatin1Char('.') +
           QStringLiteral("%1").arg(revision, 4, 10, QLatin1Char('0'));
  return QString::number(major) + QLatin1Char('.') + two(minor) + QLatin1Char('.') + two(build) + QLatin1Char('.') +
         two(revision);
}

void HTMLHelp::detectHH() {
  hhVersion_ = DetectHHVersion ? DetectHHVersion() : QString();
  if (hhVersion_.isEmpty())
    ShowMessage(MessageKind::Error, QStringLiteral("Hhctrl.ocx is not registered.  ") + QStringLiteral("Please install HTML Help."));
}

void HTMLHelp::detectIE() {
  ieVersion_ = DetectIEVersion ? DetectIEVersion() : QString();
  if (ieVersion_.isEmpty())
    ShowMessage(MessageKind::Error,
                QStringLiteral("Shdocvw.dll is not registered.  ") + QStringLiteral("Please install Internet Explorer."));
}

bool HTMLHelp::HHInstalled() const { return true; }

QString HTMLHelp::HHVersion() {
  detectHH();
  return hhVersion_;
}

QString HTMLHelp::IEVersion() {
  detectIE();
  return ieVersion_;
}

QString HTMLHelp::HHFriendlyName() {
  if (hhVersion_.isEmpty()) detectHH();
  return HHFriendlyNameFor(hhVersion_);
}

QString HTMLHelp::IEFriendlyName() {
  if (ieVersion_.isEmpty()) detectIE();
  return IEFriendlyNameFor(ieVersion_);
}

QString HTMLHelp::HHFriendlyNameFor(const QString& version) { return friendlyName(kHHNames, version); }
QString HTMLHelp::IEFriendlyNameFor(const QString& version) { return friendlyName(kIENames, version); }

QWidget* HTMLHelp::HHWndHandle() {
  if (!window_) {
    ShowMessage(MessageKind::Warning, QStringLiteral("No HTML Help window handle to retrieve."));
    return nullptr;
  }
  return window_;
}

bool HTMLHelp::HHVerifyMinConfig(int MinHHVersion, int MinIEVersion) {
  detectHH();
  detectIE();
  bool hhOk = false, ieOk = false;
  const int hh = MinHHVersion - kFirstHHCode;
  if (hh >= 0 && hh < static_cast<int>(kMinHHVersions.size()))
    hhOk = hhVersion_.compare(QLatin1String(kMinHHVersions[static_cast<std::size_t>(hh)]), Qt::CaseInsensitive) >= 0;
  else
    hhVersion_ = QStringLiteral("unknown");
  const int ie = MinIEVersion - kFirstIECode;
  if (ie >= 0 && ie < static_cast<int>(kMinIEVersions.size()))
    ieOk = ieVersion_.compare(QLatin1String(kMinIEVersions[static_cast<std::size_t>(ie)]), Qt::CaseInsensitive) >= 0;
  else
    ieVersion_ = QStringLiteral("unknown");
  HHFriendlyName();
  IEFriendlyName();
  return hhOk && ieOk;
}

QString HTMLHelp::HHSetHelpFile(int intSelHelpFile) const {
  if (intSelHelpFile == 1) return ProgramFolder + QStringLiteral("/Library.chm");
  if (intSelHelpFile == 2) return QStringLiteral("Library.txt");
  return {};
}

}  // namespace tonalix::help

// The help wrapper: holds the settings of one help request, checks the help file before each
// call and hands the request to the program's help viewer. It also keeps the per-user list of
// registered help files and reports the versions of the viewer and of the toolkit it uses.
#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <functional>

#include "platform/help/HelpRegistrations.h"

class QWidget;

namespace tonalix::help {

class HTMLHelp {
 public:
  enum class MessageKind { Error, Warning, Information };
  static constexpr const char* kMessageCaption = "HTML Help Class";

  HTMLHelp();

  // Shows every message of the class; the default is a message box with the class's caption.
  std::function<void(MessageKind, const QString& text)> ShowMessage;
  // The program's data folder (its own folder in the build tree), where bare help file names
  // are looked for.
  QString ProgramFolder;
  // The version texts of the help viewer and of the browser toolkit; by default this program's
  // viewer and the Qt it runs on.
  std::function<QString()> DetectHHVersion;
  std::function<QString()> DetectIEVersion;

  // Request settings.
  QString CHMFile() const { return chmFile_; }
  void setCHMFile(const QString& v) { chmFile_ = v; }
  QString HHWindow() const { return hhWindow_; }
  void setHHWindow(const QString& v) { hhWindow_ = v; }
  QString HHTopicURL() const { return topicUrl_; }
  void setHHTopicURL(const QString& v) { topicUrl_ = v; }
  qint32 HHTopicID() const { return topicId_; }
  void setHHTopicID(qint32 v) { topicId_ = v; }
  QString HHKeyword() const { return keyword_; }
  void setHHKeyword(const QString& v) { keyword_ = v; }
  QString HHALink() const { return alink_; }
  void setHHALink(const QString& v) { alink_ = v; }
  QString HHDefaultURL() const { return defaultUrl_; }
  void setHHDefaultURL(const QString& v) { defaultUrl_ = v; }
  QString HHMsgText() const { return msgText_; }
  void setHHMsgText(const QString& v) { msgText_ = v; }
  QString HHMsgTitle() const { return msgTitle_; }
  void setHHMsgTitle(const QString& v) { msgTitle_ = v; }
  bool HHShowOnTop() const { return showOnTop_; }
  void setHHShowOnTop(bool v) { showOnTop_ = v; }

  // Results of the last registration check.
  QString HHRegFileName() const { return regFileName_; }
  QString HHRegFilePath() const { return regFilePath_; }
  bool HHRegFileExists() const { return regFileExists_; }

  // Popup settings.
  void setHHPopupType(int v) { popupType_ = v; }
  void setHHPopupFile(const QString& v) { popupFile_ = v; }
  void setHHPopupID(qint32 v) { popupId_ = v; }
  void setHHPopupText(const QString& v) { popupText_ = v; }
  void setHHPopupTextColor(QColor v) { popupTextColor_ = v; }
  void setHHPopupBackColor(QColor v) { popupBackColor_ = v; }
  void setHHPopupCustomTextColor(QColor v) { popupCustomTextColor_ = v; }
  void setHHPopupCustomBackColor(QColor v) { popupCustomBackColor_ = v; }
  bool HHPopupCustomColors() const { return popupCustomColors_; }
  void setHHPopupCustomColors(bool v) { popupCustomColors_ = v; }
  void setHHPopupTextFont(const QString& v) { popupFont_ = v; }
  void setHHPopupTextSize(const QString& v) { popupSize_ = v; }
  void setHHPopupTextBold(bool v) { popupBold_ = v; }
  void setHHPopupTextItalic(bool v) { popupItalic_ = v; }
  void setHHPopupTextUnderline(bool v) { popupUnderline_ = v; }

  // Installed versions.
  bool HHInstalled() const;
  QString HHVersion();
  QString IEVersion();
  QString HHFriendlyName();
  QString IEFriendlyName();
  // The viewer window of the last display call; null (with a warning) when there is none.
  QWidget* HHWndHandle();

  // Display calls; callingForm owns the viewer when HHShowOnTop is set.
  void HHDisplayTopicID(QWidget* callingForm = nullptr);
  void HHDisplayTopicURL(QWidget* callingForm = nullptr);
  void HHDisplayContents(QWidget* callingForm = nullptr);
  void HHDisplayIndex(QWidget* callingForm = nullptr);
  void HHDisplaySearch(QWidget* callingForm = nullptr);
  void HHDisplayKeyword(QWidget* callingForm = nullptr);
  void HHDisplayALink(QWidget* callingForm = nullptr);
  void HHDisplayPopup(QWidget* callingForm = nullptr);
  void HHClose();
  // The viewer offers no command that jumps to a typed address, so there is nothing to remove.
  void HHDeleteJumpURLSysMenu(QWidget* viewer);
  // Turns the pointer into the what's-this pointer: the next click asks for a control's help.
  void HHInvokeWhatsThisHelp(QWidget* callingForm);

  // Registration list.
  void HHRegister(const QString& FileToRegister);
  void HHUnRegister(const QString& FileToUnRegister);
  bool HHCheckRegistry(const QString& FileToCheck);
  // Uses another store for the list (tests).
  void setRegistrationStore(const QString& path);

  bool HHVerifyMinConfig(int MinHHVersion, int MinIEVersion);
  // Completes a bare name and checks that the file exists; FileToFind receives the path.
  bool EnsureFileExists(QString& FileToFind);
  QString HHSetHelpFile(int intSelHelpFile) const;

  // The target the viewer is asked for: the file, with ">window" when a window type is set.
  QString Target() const;
  // The version text of a file's version numbers.
  static QString VersionText(unsigned major, unsigned minor, unsigned build, unsigned revision);
  static QString HHFriendlyNameFor(const QString& version);
  static QString IEFriendlyNameFor(const QString& version);

 private:
  bool nameCheck(const QString& name);
  // The checks before a display call; false when the call must not go on.
  bool prepare(const char* method, QWidget* callingForm, QWidget*& owner);
  // Keeps the viewer a display call returned and shows what the viewer could not do.
  QWidget* shown(QWidget* viewer);
  void detectHH();
  void detectIE();

  QString chmFile_, hhWindow_, topicUrl_, keyword_, alink_, defaultUrl_, msgText_, msgTitle_;
  qint32 topicId_ = 0;
  bool showOnTop_ = false;
  QString regFileName_, regFilePath_;
  bool regFileExists_ = false;
  int popupType_ = 0;
  QString popupFile_, popupText_, popupFont_, popupSize_;
  qint32 popupId_ = 0;
  QColor popupTextColor_ = QColor(0, 0, 0), popupBackColor_ = QColor(0, 0, 0);
  QColor popupCustomTextColor_ = QColor(0, 0, 0), popupCustomBackColor_ = QColor(0, 0, 0);
  bool popupCustomColors_ = false, popupBold_ = false, popupItalic_ = false, popupUnderline_ = false;
  QString hhVersion_, ieVersion_;
  QPointer<QWidget> window_;
  platform::HelpRegistrations registrations_;
};

}  // namespace tonalix::help

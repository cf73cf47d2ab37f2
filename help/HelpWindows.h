// The program's help viewer service: opens compiled help files in viewer windows and carries
// out the help commands on them, reusing the window already open on a file and window type.
#pragma once

#include <QColor>
#include <QHash>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace tonalix::platform {
class ChmFile;
}

namespace tonalix::help {

class HelpViewer;

// A keyword or associative-link lookup: the keywords, the topic shown when none is found and
// the message shown then (each may be empty).
struct HelpLookup {
  QString keywords;
  QString defaultUrl;
  QString msgText;
  QString msgTitle;
  QString windowType;
};

// A text popup at a screen position.
struct HelpPopup {
  QPoint position;
  QString text;
  QColor textColor;
  QColor backColor;
  QString font;  // "face, size, charset, styles"
};

class HelpWindows {
 public:
  static HelpWindows& instance();

  // target is "file", "file>window type" or "file::/topic". Each call returns the viewer it
  // used, or null when it could not; lastError() then says why, for the user, and is also set
  // when a viewer was shown without the topic asked for.
  HelpViewer* DisplayTopic(QWidget* owner, const QString& target, const QString& topicUrl);
  HelpViewer* HelpContext(QWidget* owner, const QString& target, quint32 contextId);
  HelpViewer* DisplayContents(QWidget* owner, const QString& target);
  HelpViewer* DisplayIndex(QWidget* owner, const QString& target);
  HelpViewer* DisplaySearch(QWidget* owner, const QString& target);
  // Shows the first topic found, else the default topic, else the message; null when nothing
  // was shown.
  HelpViewer* KeywordLookup(QWidget* owner, const QString& target, const HelpLookup& lookup);
  // Associative links: the topics' link names, which this help compiler does not record, so
  // a lookup ends as one that finds nothing.
  HelpViewer* ALinkLookup(QWidget* owner, const QString& target, const HelpLookup& lookup);
  // A popup window that closes on the next click; returns it.
  QWidget* DisplayTextPopup(QWidget* owner, const HelpPopup& popup);
  // Text of popup number id from a text file inside the help file ("file::/name.txt").
  QString PopupText(const QString& target, int id);
  void CloseAll();

  const QString& lastError() const { return lastError_; }
  // Shows a message for a lookup that found nothing; tests replace it.
  std::function<void(const QString& title, const QString& text)> ShowLookupMessage;

 private:
  HelpWindows();
  // The viewer for the target's file and window type, made and shown when needed; a new
  // viewer starts at the default topic when showStart is set.
  HelpViewer* viewerFor(QWidget* owner, const QString& target, bool showStart = true);
  std::shared_ptr<const platform::ChmFile> open(const QString& path);

  QString lastError_;
  QHash<QString, QPointer<HelpViewer>> viewers_;
  QHash<QString, std::weak_ptr<const platform::ChmFile>> files_;
  QPointer<QWidget> popup_;
};

}  // namespace tonalix::help

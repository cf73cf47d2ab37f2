// The help viewer: one window on a compiled help file, in the title and size of one of its
// window types, with the contents tree, the index, a search over the topics, back and forward.
#pragma once

#include <QWidget>
#include <memory>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace tonalix::platform {
class ChmFile;
struct ChmWindowType;
}

namespace tonalix::help {

class ChmBrowser;

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  enum class Tab { Contents = 0, Index = 1, Search = 2 };

  // windowType may be null: the viewer then takes the file's title and a default size.
  HelpViewer(std::shared_ptr<const platform::ChmFile> file, const platform::ChmWindowType* windowType,
             QWidget* owner = nullptr);
  ~HelpViewer() override;

  const platform::ChmFile& file() const { return *file_; }
  QString windowTypeName() const { return windowTypeName_; }

  // Shows a topic by its path inside the file ("keys.htm", "/keys.htm#map"); false when the
  // file has no such topic.
  bool ShowTopic(const QString& topicPath);
  // The topic the window type or the file names as its start.
  bool ShowDefaultTopic();
  void ShowTab(Tab tab);
  // Topics whose text holds every word of query (without regard to case), as (title, path).
  QList<QPair<QString, QString>> Search(const QString& query);
  // Index entries whose keyword equals one of the ';'-separated keywords (without regard to
  // case), as topic paths.
  QStringList LookupKeywords(const QString& keywords) const;

  QString currentTopic() const;
  ChmBrowser* browser() const { return browser_; }
  QTreeWidget* contentsTree() const { return contents_; }
  QListWidget* indexList() const { return index_; }
  QLineEdit* searchBox() const { return searchBox_; }
  QListWidget* searchResults() const { return results_; }
  QToolButton* backButton() const { return back_; }
  QToolButton* forwardButton() const { return forward_; }

 private:
  void buildContents(const QString& contentsFile);
  void buildIndex(const QString& indexFile);
  void runSearch();
  void loadTopicTexts();

  std::shared_ptr<const platform::ChmFile> file_;
  QString windowTypeName_;
  QString defaultTopic_;
  ChmBrowser* browser_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QTreeWidget* contents_ = nullptr;
  QLineEdit* indexFilter_ = nullptr;
  QListWidget* index_ = nullptr;
  QLineEdit* searchBox_ = nullptr;
  QListWidget* results_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* forward_ = nullptr;
  // Plain text of every topic, read on the first search.
  QList<QPair<QString, QString>> topicTexts_;  // (path, lower-case text)
  QHash<QString, QString> topicTitles_;
};

}  // namespace tonalix::help

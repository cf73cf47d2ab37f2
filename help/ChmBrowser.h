// The text browser of the help viewer: shows topics, pictures and style sheets straight out of
// a compiled help file, addressed as chm:/path inside it.
#pragma once

#include <QTextBrowser>
#include <functional>
#include <memory>

namespace tonalix::platform {
class ChmFile;
}

namespace tonalix::help {

class ChmBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  static constexpr const char* kScheme = "chm";

  ChmBrowser(std::shared_ptr<const platform::ChmFile> file, QWidget* parent = nullptr);

  // chm:/<path> for a topic path inside the file.
  static QUrl TopicUrl(const QString& topicPath);
  // The topic path shown now ("/start.htm"), empty before the first topic.
  QString currentTopic() const;

  QVariant loadResource(int type, const QUrl& name) override;

  // Whether a clicked link that leaves the file goes to the desktop: http, https and mailto.
  static bool IsExternalLink(const QUrl& url);
  // Hands such a link to the desktop; tests replace it.
  std::function<void(const QUrl&)> OpenExternal;

 private:
  std::shared_ptr<const platform::ChmFile> file_;
};

}  // namespace tonalix::help

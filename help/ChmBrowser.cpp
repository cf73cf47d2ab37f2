#include "help/ChmBrowser.h"

#include <QDesktopServices>

#include "platform/help/ChmFile.h"

namespace tonalix::help {

ChmBrowser::ChmBrowser(std::shared_ptr<const platform::ChmFile> file, QWidget* parent)
    : QTextBrowser(parent), file_(std::move(file)) {
  // Links inside the file are followed here; a web or mail link goes to the desktop's own
  // programs. The browser's own handling would hand our chm: links to the desktop as well.
  setOpenLinks(false);
  setOpenExternalLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl url = link.isRelative() ? source().resolved(link) : link;
    if (url.scheme() == QLatin1String(kScheme))
      setSource(url);
    else
      QDesktopServices::openUrl(url);
  });
}

QUrl ChmBrowser::TopicUrl(const QString& topicPath) {
  QUrl url;
  url.setScheme(QString::fromLatin1(kScheme));
  const int hash = topicPath.indexOf(QLatin1Char('#'));
  QString path = hash < 0 ? topicPath : topicPath.left(hash);
  if (!path.startsWith(QLatin1Char('/'))) path.prepend(QLatin1Char('/'));
  url.setPath(path);
  if (hash >= 0) url.setFragment(topicPath.mid(hash + 1));
  return url;
}

QString ChmBrowser::currentTopic() const {
  return source().scheme() == QLatin1String(kScheme) ? source().path() : QString();
}

QVariant ChmBrowser::loadResource(int type, const QUrl& name) {
  if (name.scheme() != QLatin1String(kScheme)) return QTextBrowser::loadResource(type, name);
  const auto data = file_->Read(name.path().toStdString());
  if (!data) return {};
  if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
    return QString::fromUtf8(data->data(), static_cast<qsizetype>(data->size()));
  return QByteArray(data->data(), static_cast<qsizetype>(data->size()));
}

}  // namespace tonalix::help

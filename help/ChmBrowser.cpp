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
  OpenExternal = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl url = link.isRelative() ? source().resolved(link) : link;
    if (url.scheme() == QLatin1String(kScheme))
      setSource(url);
    else if (IsExternalLink(url))
      OpenExternal(url);
  });
}

bool ChmBrowser::IsExternalLink(const QUrl& url) {
  // A help page may send the reader to the web or to a mail program, never make the desktop
  // open a local file or start whatever program claims a custom scheme.
  const QString scheme = url.scheme().toLower();
  return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto");
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
  // Pages, pictures and style sheets come from the help file, or inline. Qt's loader would
  // read any local file to its end: a page naming /dev/zero or a FIFO would hang the window.
  if (name.scheme() == QLatin1String("data")) return QTextBrowser::loadResource(type, name);
  if (name.scheme() != QLatin1String(kScheme)) {
    // Nothing would send the document to its own loader, which opens local files: a refused
    // resource is an empty one.
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
      return QStringLiteral(" ");
    return QByteArray(1, '\0');
  }
  const auto data = file_->Read(name.path().toStdString());
  if (!data) return {};
  if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
    return QString::fromUtf8(data->data(), static_cast<qsizetype>(data->size()));
  return QByteArray(data->data(), static_cast<qsizetype>(data->size()));
}

}  // namespace tonalix::help

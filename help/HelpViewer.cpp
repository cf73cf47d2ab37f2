#include "help/HelpViewer.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "help/ChmBrowser.h"
#include "platform/help/ChmFile.h"
#include "platform/help/Sitemap.h"

namespace tonalix::help {
namespace {

constexpr int kTopicRole = Qt::UserRole + 1;

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

bool isTopic(const QString& path) {
  return path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive) ||
         path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive);
}

}  // namespace

HelpViewer::HelpViewer(std::shared_ptr<const platform::ChmFile> file,
                       const platform::ChmWindowType* windowType, QWidget* owner)
    : QWidget(owner, Qt::Window), file_(std::move(file)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("HelpViewer"));

  QString caption = qs(file_->Title());
  QString contentsFile, indexFile;
  defaultTopic_ = qs(file_->DefaultTopic());
  QRect frame(80, 80, 820, 600);
  if (windowType) {
    windowTypeName_ = qs(windowType->name);
    if (!windowType->caption.empty()) caption = qs(windowType->caption);
    contentsFile = qs(windowType->contentsFile);
    indexFile = qs(windowType->indexFile);
    if (!windowType->defaultTopic.empty()) defaultTopic_ = qs(windowType->defaultTopic);
    if (windowType->right > windowType->left && windowType->bottom > windowType->top)
      frame = QRect(QPoint(windowType->left, windowType->top),
                    QPoint(windowType->right - 1, windowType->bottom - 1));
  }
  // A file without window types still has its contents and index under the usual names.
  for (const auto& object : file_->Objects()) {
    const QString path = qs(object);
    if (contentsFile.isEmpty() && path.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) contentsFile = path;
    if (indexFile.isEmpty() && path.endsWith(QLatin1String(".hhk"), Qt::CaseInsensitive)) indexFile = path;
  }
  setWindowTitle(caption);

  back_ = new QToolButton(this);
  back_->setText(tr("Back"));
  back_->setEnabled(false);
  forward_ = new QToolButton(this);
  forward_->setText(tr("Forward"));
  forward_->setEnabled(false);
  auto* home = new QToolButton(this);
  home->setText(tr("Home"));
  auto* bar = new QHBoxLayout;
  bar->addWidget(back_);
  bar->addWidget(forward_);
  bar->addWidget(home);
  bar->addStretch();

  browser_ = new ChmBrowser(file_, this);
  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(home, &QToolButton::clicked, this, [this] { ShowDefaultTopic(); });
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);

  tabs_ = new QTabWidget(this);
  contents_ = new QTreeWidget(tabs_);
  contents_->setHeaderHidden(true);
  tabs_->addTab(contents_, tr("Contents"));

  auto* indexPage = new QWidget(tabs_);
  indexFilter_ = new QLineEdit(indexPage);
  indexFilter_->setPlaceholderText(tr("Type a keyword"));
  index_ = new QListWidget(indexPage);
  auto* indexLayout = new QVBoxLayout(indexPage);
  indexLayout->setContentsMargins(2, 2, 2, 2);
  indexLayout->addWidget(indexFilter_);
  indexLayout->addWidget(index_);
  tabs_->addTab(indexPage, tr("Index"));

  auto* searchPage = new QWidget(tabs_);
  searchBox_ = new QLineEdit(searchPage);
  searchBox_->setPlaceholderText(tr("Words to find"));
  auto* go = new QPushButton(tr("Search"), searchPage);
  results_ = new QListWidget(searchPage);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(searchBox_);
  searchRow->addWidget(go);
  auto* searchLayout = new QVBoxLayout(searchPage);
  searchLayout->setContentsMargins(2, 2, 2, 2);
  searchLayout->addLayout(searchRow);
  searchLayout->addWidget(results_);
  tabs_->addTab(searchPage, tr("Search"));

  auto* split = new QSplitter(this);
  split->addWidget(tabs_);
  split->addWidget(browser_);
  split->setStretchFactor(1, 1);
  split->setSizes({230, frame.width() - 230});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(split);

  buildContents(contentsFile);
  buildIndex(indexFile);

  auto open = [this](const QString& path) {
    if (!path.isEmpty()) ShowTopic(path);
  };
  connect(contents_, &QTreeWidget::itemActivated, this,
          [open](QTreeWidgetItem* item) { open(item->data(0, kTopicRole).toString()); });
  connect(contents_, &QTreeWidget::itemClicked, this,
          [open](QTreeWidgetItem* item) { open(item->data(0, kTopicRole).toString()); });
  connect(index_, &QListWidget::itemActivated, this,
          [open](QListWidgetItem* item) { open(item->data(kTopicRole).toString()); });
  connect(index_, &QListWidget::itemClicked, this,
          [open](QListWidgetItem* item) { open(item->data(kTopicRole).toString()); });
  connect(indexFilter_, &QLineEdit::textChanged, this, [this](const QString& text) {
    for (int i = 0; i < index_->count(); ++i) {
      if (index_->item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
        index_->setCurrentRow(i);
        index_->scrollToItem(index_->item(i), QAbstractItemView::PositionAtTop);
        return;
      }
    }
  });
  connect(indexFilter_, &QLineEdit::returnPressed, this, [this, open] {
    if (auto* item = index_->currentItem()) open(item->data(kTopicRole).toString());
  });
  connect(go, &QPushButton::clicked, this, &HelpViewer::runSearch);
  connect(searchBox_, &QLineEdit::returnPressed, this, &HelpViewer::runSearch);
  connect(results_, &QListWidget::itemActivated, this,
          [open](QListWidgetItem* item) { open(item->data(kTopicRole).toString()); });
  connect(results_, &QListWidget::itemClicked, this,
          [open](QListWidgetItem* item) { open(item->data(kTopicRole).toString()); });

  setGeometry(frame);
}

HelpViewer::~HelpViewer() = default;

void HelpViewer::buildContents(const QString& contentsFile) {
  const auto text = file_->Read(contentsFile.toStdString());
  if (!text) return;
  QList<QTreeWidgetItem*> parents;
  for (const auto& entry : platform::ParseSitemap(*text)) {
    // A list nested deeper than the one before it hangs under that list's last entry.
    const qsizetype depth = std::min<qsizetype>(entry.depth, parents.size());
    parents.resize(depth);
    auto* item = depth == 0 ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(parents.last());
    item->setText(0, qs(entry.name));
    item->setData(0, kTopicRole, qs(entry.local));
    parents.append(item);
  }
  contents_->expandAll();
}

void HelpViewer::buildIndex(const QString& indexFile) {
  const auto text = file_->Read(indexFile.toStdString());
  if (!text) return;
  for (const auto& entry : platform::ParseSitemap(*text)) {
    auto* item = new QListWidgetItem(qs(entry.name), index_);
    item->setData(kTopicRole, qs(entry.local));
  }
}

bool HelpViewer::ShowTopic(const QString& topicPath) {
  const QUrl url = ChmBrowser::TopicUrl(topicPath);
  if (!file_->Has(url.path().toStdString())) return false;
  browser_->setSource(url);
  return true;
}

bool HelpViewer::ShowDefaultTopic() {
  if (!defaultTopic_.isEmpty() && ShowTopic(defaultTopic_)) return true;
  for (const auto& object : file_->Objects())
    if (isTopic(qs(object))) return ShowTopic(qs(object));
  return false;
}

void HelpViewer::ShowTab(Tab tab) {
  tabs_->setCurrentIndex(static_cast<int>(tab));
  if (tab == Tab::Index) indexFilter_->setFocus();
  if (tab == Tab::Search) searchBox_->setFocus();
}

QString HelpViewer::currentTopic() const { return browser_->currentTopic(); }

void HelpViewer::loadTopicTexts() {
  if (!topicTexts_.isEmpty()) return;
  static const QRegularExpression title(QStringLiteral("<title>(.*?)</title>"),
                                        QRegularExpression::CaseInsensitiveOption |
                                            QRegularExpression::DotMatchesEverythingOption);
  for (const auto& object : file_->Objects()) {
    const QString path = qs(object);
    if (!isTopic(path)) continue;
    const auto data = file_->Read(object);
    if (!data) continue;
    const QString html = qs(*data);
    const auto match = title.match(html);
    topicTitles_.insert(path, match.hasMatch() ? match.captured(1).trimmed() : path);
    topicTexts_.append({path, QTextDocumentFragment::fromHtml(html).toPlainText().toLower()});
  }
}

QList<QPair<QString, QString>> HelpViewer::Search(const QString& query) {
  loadTopicTexts();
  const QStringList words = query.toLower().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
  QList<QPair<QString, QString>> found;
  if (words.isEmpty()) return found;
  for (const auto& [path, text] : topicTexts_) {
    bool all = true;
    for (const QString& w : words) all = all && text.contains(w);
    if (all) found.append({topicTitles_.value(path), path});
  }
  return found;
}

void HelpViewer::runSearch() {
  results_->clear();
  const auto found = Search(searchBox_->text());
  for (const auto& [title, path] : found) {
    auto* item = new QListWidgetItem(title, results_);
    item->setData(kTopicRole, path);
  }
  if (found.isEmpty()) results_->addItem(tr("No topic holds all of these words."));
}

QStringList HelpViewer::LookupKeywords(const QString& keywords) const {
  QStringList topics;
  for (const QString& raw : keywords.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString keyword = raw.trimmed();
    for (int i = 0; i < index_->count(); ++i) {
      const QString local = index_->item(i)->data(kTopicRole).toString();
      if (index_->item(i)->text().compare(keyword, Qt::CaseInsensitive) == 0 && !local.isEmpty() &&
          !topics.contains(local))
        topics.append(local);
    }
  }
  return topics;
}

}  // namespace tonalix::help

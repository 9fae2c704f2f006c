#include "app/help/help_window.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QImage>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace qx {

namespace {

constexpr int kPageRole = Qt::UserRole;

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

QUrl HelpWindow::pageUrl(const std::string& path) {
  QUrl url;
  url.setScheme(QStringLiteral("chm"));
  url.setPath(fromUtf8(path));
  return url;
}

HelpBrowser::HelpBrowser(const ChmHelp& help, QWidget* parent) : QTextBrowser(parent), help_(help) {
  // Links are followed here, so that a page of the file never reaches the
  // desktop and a web link never loads into the browser.
  setOpenLinks(false);
  setOpenExternalLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::follow);
}

void HelpBrowser::follow(const QUrl& link) {
  const QUrl url = source().resolved(link);
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
    QDesktopServices::openUrl(url);
    return;
  }
  if (scheme != QLatin1String("chm")) return;
  if (help_.contains(url.path(QUrl::FullyDecoded).toStdString())) setSource(url);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
  const QUrl url = name.isRelative() ? source().resolved(name) : name;
  if (url.scheme() != QLatin1String("chm")) return {};
  const std::string path = resolveHelpLink("/", url.path(QUrl::FullyDecoded).toStdString());
  const auto bytes = help_.read(path);
  if (!bytes) return {};
  const QByteArray data(bytes->data(), static_cast<qsizetype>(bytes->size()));
  switch (type) {
    case QTextDocument::ImageResource: {
      QImage image;
      image.loadFromData(data);
      return image;
    }
    case QTextDocument::HtmlResource:
    case QTextDocument::StyleSheetResource:
      // The pages say UTF-8 in their <meta> line; older files are in the
      // code page, which the reader turns into UTF-8.
      return QString::fromStdString(helpTextToUtf8(*bytes));
    default:
      return data;
  }
}

HelpWindow::HelpWindow(std::unique_ptr<ChmHelp> help, QWidget* parent)
    : QMainWindow(parent), help_(std::move(help)) {
  setObjectName(QStringLiteral("quincunx-help"));
  setWindowTitle(fromUtf8(help_->title().empty() ? std::string("quincunx-help") : help_->title()));

  tree_ = new QTreeWidget;
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  addTopics(nullptr, help_->contents());
  tree_->expandToDepth(0);
  browser_ = new HelpBrowser(*help_);

  auto* split = new QSplitter;
  split->addWidget(tree_);
  split->addWidget(browser_);
  split->setStretchFactor(1, 1);
  split->setSizes({260, 640});
  setCentralWidget(split);

  auto* bar = addToolBar(QString());
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  // The buttons speak the help's language, else the desktop's.
  const unsigned primary = help_->language() & 0x3FF;
  const bool french = primary == 0x0C || (primary == 0 && QLocale().language() == QLocale::French);
  back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack),
                         french ? QStringLiteral("Précédent") : QStringLiteral("Back"));
  forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                            french ? QStringLiteral("Suivant") : QStringLiteral("Forward"));
  back_->setShortcut(QKeySequence::Back);
  forward_->setShortcut(QKeySequence::Forward);
  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
  connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::markCurrent);
  connect(tree_, &QTreeWidget::itemActivated, this, &HelpWindow::showTopic);
  connect(tree_, &QTreeWidget::itemClicked, this, &HelpWindow::showTopic);

  resize(900, 700);
  browser_->setSource(pageUrl(help_->firstPage()));
}

void HelpWindow::addTopics(QTreeWidgetItem* parent, const std::vector<HelpTopic>& topics) {
  for (const auto& t : topics) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, fromUtf8(t.name.empty() ? t.local : t.name));
    const std::string page = resolveHelpLink("/", t.local);
    if (!page.empty() && help_->contains(page)) {
      QUrl url = pageUrl(page);
      if (const auto hash = t.local.find('#'); hash != std::string::npos)
        url.setFragment(fromUtf8(t.local.substr(hash + 1)));
      item->setData(0, kPageRole, url);
    }
    addTopics(item, t.children);
  }
}

void HelpWindow::showTopic(QTreeWidgetItem* item) {
  const QUrl url = item ? item->data(0, kPageRole).toUrl() : QUrl();
  if (url.isValid() && url != browser_->source()) browser_->setSource(url);
}

// The contents follow the page shown, whichever way it was reached.
void HelpWindow::markCurrent(const QUrl& url) {
  QTreeWidgetItem* best = nullptr;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    const QUrl page = (*it)->data(0, kPageRole).toUrl();
    if (page == url) {
      best = *it;
      break;
    }
    if (!best && page.path() == url.path()) best = *it;
  }
  if (!best) return;
  const QSignalBlocker quiet(tree_);
  tree_->setCurrentItem(best);
  tree_->scrollToItem(best);
}

}  // namespace qx

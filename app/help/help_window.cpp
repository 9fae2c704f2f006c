// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/help/help_window.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace qx {

namespace {

constexpr int kPageRole = Qt::UserRole;
constexpr int kFoldRole = Qt::UserRole + 1;
// The size an <img> asked for, kept while the picture is drawn smaller.
constexpr int kNaturalSize = QTextFormat::UserProperty;
// Room for 640-pixel pictures beside the contents.
constexpr QSize kPreferredSize(1000, 820);

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string toUtf8(const QString& s) { return s.toUtf8().toStdString(); }

// A name as the index compares it: its words, folded, one space apart.
QString folded(const QString& name) {
  std::string out;
  for (const auto& w : helpSearchWords(toUtf8(name))) out += (out.empty() ? "" : " ") + w;
  return fromUtf8(out);
}

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

void HelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  setExtraSelections({});
  QTextBrowser::doSetSource(name, type);
  fitImages();
}

void HelpBrowser::resizeEvent(QResizeEvent* event) {
  QTextBrowser::resizeEvent(event);
  fitImages();
}

void HelpBrowser::fitImages() {
  if (fitting_) return;
  fitting_ = true;
  QTextDocument* doc = document();
  const QTextFrameFormat page = doc->rootFrame()->frameFormat();
  const qreal room = (doc->textWidth() > 0 ? doc->textWidth() : viewport()->width()) - page.leftMargin() -
                     page.rightMargin() - 2 * (page.padding() + page.border());
  struct Change {
    int from, length;
    QTextImageFormat format;
  };
  std::vector<Change> changes;
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (!f.charFormat().isImageFormat()) continue;
      QTextImageFormat image = f.charFormat().toImageFormat();
      QSizeF natural = image.property(kNaturalSize).toSizeF();
      if (natural.isEmpty()) {
        const QSize picture = doc->resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>().size();
        natural = QSizeF(image.width() > 0 ? image.width() : picture.width(),
                         image.height() > 0 ? image.height() : picture.height());
        if (natural.isEmpty()) continue;
        image.setProperty(kNaturalSize, natural);
      }
      const QTextBlockFormat paragraph = block.blockFormat();
      const qreal fits = room - paragraph.leftMargin() - paragraph.rightMargin() - paragraph.textIndent() - 2;
      const qreal width = fits > 16 && natural.width() > fits ? fits : natural.width();
      const qreal height = natural.height() * width / natural.width();
      if (qFuzzyCompare(image.width(), width) && qFuzzyCompare(image.height(), height)) continue;
      image.setWidth(width);
      image.setHeight(height);
      changes.push_back({f.position(), f.length(), image});
    }
  for (const auto& c : changes) {
    QTextCursor cursor(doc);
    cursor.setPosition(c.from);
    cursor.setPosition(c.from + c.length, QTextCursor::KeepAnchor);
    cursor.setCharFormat(c.format);
  }
  fitting_ = false;
}

void HelpBrowser::highlight(const std::vector<std::string>& words) {
  QList<QTextEdit::ExtraSelection> marks;
  if (!words.empty())
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
      const QByteArray text = block.text().toUtf8();
      for (const HelpMatch& m : helpWordMatches(std::string_view(text.constData(), text.size()), words)) {
        // Byte offsets of the block's UTF-8 as places in the document.
        const auto before = QString::fromUtf8(text.constData(), static_cast<qsizetype>(m.offset)).size();
        const auto length =
            QString::fromUtf8(text.constData() + m.offset, static_cast<qsizetype>(m.length)).size();
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(document());
        mark.cursor.setPosition(block.position() + static_cast<int>(before));
        mark.cursor.setPosition(block.position() + static_cast<int>(before + length), QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(0xFF, 0xE0, 0x40));
        mark.format.setForeground(Qt::black);
        marks << mark;
      }
    }
  setExtraSelections(marks);
  if (!marks.isEmpty()) {
    QTextCursor first = marks.front().cursor;
    first.clearSelection();
    setTextCursor(first);
    ensureCursorVisible();
  }
}

HelpWindow::HelpWindow(std::unique_ptr<ChmHelp> help, QWidget* parent)
    : QMainWindow(parent), help_(std::move(help)) {
  setObjectName(QStringLiteral("quincunx-help"));
  setWindowTitle(fromUtf8(help_->title().empty() ? std::string("quincunx-help") : help_->title()));
  // The window speaks the help's language, else the desktop's.
  const unsigned primary = help_->language() & 0x3FF;
  french_ = primary == 0x0C || (primary == 0 && QLocale().language() == QLocale::French);
  auto say = [this](const char* fr, const char* en) { return QString::fromUtf8(french_ ? fr : en); };

  tree_ = new QTreeWidget;
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  addTopics(nullptr, help_->contents());
  tree_->expandToDepth(0);

  auto* indexPage = new QWidget;
  indexField_ = new QLineEdit;
  indexField_->setPlaceholderText(say("Mot clé", "Keyword"));
  indexField_->setClearButtonEnabled(true);
  index_ = new QTreeWidget;
  index_->setHeaderHidden(true);
  index_->setColumnCount(1);
  index_->setRootIsDecorated(false);
  addKeywords(nullptr, help_->index());
  index_->expandAll();
  auto* indexLayout = new QVBoxLayout(indexPage);
  indexLayout->setContentsMargins(4, 4, 4, 4);
  indexLayout->addWidget(indexField_);
  indexLayout->addWidget(index_);

  auto* searchPage = new QWidget;
  searchField_ = new QLineEdit;
  searchField_->setPlaceholderText(say("Mots à chercher", "Words to find"));
  searchField_->setClearButtonEnabled(true);
  auto* find = new QPushButton(say("Chercher", "Find"));
  searchStatus_ = new QLabel;
  searchStatus_->setWordWrap(true);
  results_ = new QListWidget;
  auto* searchLayout = new QVBoxLayout(searchPage);
  searchLayout->setContentsMargins(4, 4, 4, 4);
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(searchField_);
  searchRow->addWidget(find);
  searchLayout->addLayout(searchRow);
  searchLayout->addWidget(searchStatus_);
  searchLayout->addWidget(results_);

  tabs_ = new QTabWidget;
  tabs_->addTab(tree_, say("&Sommaire", "&Contents"));
  tabs_->addTab(indexPage, say("&Index", "&Index"));
  tabs_->addTab(searchPage, say("&Recherche", "&Search"));
  browser_ = new HelpBrowser(*help_);

  auto* split = new QSplitter;
  split->addWidget(tabs_);
  split->addWidget(browser_);
  split->setStretchFactor(1, 1);
  split->setSizes({250, 750});
  setCentralWidget(split);

  auto* bar = addToolBar(QString());
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), say("Précédent", "Back"));
  forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), say("Suivant", "Forward"));
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
  connect(index_, &QTreeWidget::itemActivated, this, &HelpWindow::showTopic);
  connect(index_, &QTreeWidget::itemClicked, this, &HelpWindow::showTopic);
  connect(indexField_, &QLineEdit::textEdited, this, &HelpWindow::findKeyword);
  connect(indexField_, &QLineEdit::returnPressed, this, [this] { showTopic(index_->currentItem()); });
  connect(searchField_, &QLineEdit::returnPressed, this, &HelpWindow::runSearch);
  connect(find, &QPushButton::clicked, this, &HelpWindow::runSearch);
  connect(results_, &QListWidget::itemActivated, this, &HelpWindow::showHit);
  connect(results_, &QListWidget::itemClicked, this, &HelpWindow::showHit);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
    if (tab == 1) indexField_->setFocus();
    else if (tab == 2) searchField_->setFocus();
  });

  fitToScreen();
  browser_->setSource(pageUrl(help_->firstPage()));
}

QSize HelpWindow::fittedSize(const QRect& available, const QSize& frame) {
  return kPreferredSize.boundedTo(available.size() - frame).expandedTo(QSize(320, 240));
}

// Inside the screen's available area (beside panels), frame included. The
// frame is known once the window is shown; until then it counts as none.
void HelpWindow::fitToScreen() {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect available = s->availableGeometry();
  const QSize frame = frameGeometry().size() - geometry().size();
  resize(fittedSize(available, frame));
  const QSize outer = size() + frame;
  move(available.x() + std::max(0, (available.width() - outer.width()) / 2),
       available.y() + std::max(0, (available.height() - outer.height()) / 2));
}

// Once more when the desktop has put its frame around the window, which it
// tells after the window is shown (with a move, on X11).
void HelpWindow::fitOnceFramed() {
  if (frameKnown_ || !isVisible() || frameGeometry().size() == geometry().size()) return;
  frameKnown_ = true;
  fitToScreen();
}

void HelpWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  QTimer::singleShot(0, this, &HelpWindow::fitOnceFramed);
}

void HelpWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  fitOnceFramed();
}

QUrl HelpWindow::topicUrl(const std::string& local) const {
  const std::string page = resolveHelpLink("/", local);
  if (page.empty() || !help_->contains(page)) return {};
  QUrl url = pageUrl(page);
  if (const auto hash = local.find('#'); hash != std::string::npos) url.setFragment(fromUtf8(local.substr(hash + 1)));
  return url;
}

void HelpWindow::addTopics(QTreeWidgetItem* parent, const std::vector<HelpTopic>& topics) {
  for (const auto& t : topics) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, fromUtf8(t.name.empty() ? t.local : t.name));
    if (const QUrl url = topicUrl(t.local); url.isValid()) item->setData(0, kPageRole, url);
    addTopics(item, t.children);
  }
}

// A keyword with several pages shows the first and lists them all under it.
void HelpWindow::addKeywords(QTreeWidgetItem* parent, const std::vector<HelpTopic>& keywords) {
  for (const auto& k : keywords) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(index_);
    const QString name = fromUtf8(k.name.empty() ? k.local : k.name);
    item->setText(0, name);
    item->setData(0, kFoldRole, folded(name));
    const QUrl first = topicUrl(k.local);
    if (first.isValid()) item->setData(0, kPageRole, first);
    if (!k.pages.empty()) {
      for (const auto& p : k.pages) {
        const QUrl url = topicUrl(p.local);
        if (!url.isValid()) continue;
        std::string title = p.name;
        if (title.empty())
          if (const auto html = help_->read(url.path(QUrl::FullyDecoded).toStdString())) title = helpPageTitle(*html);
        auto* page = new QTreeWidgetItem(item);
        page->setText(0, fromUtf8(title.empty() ? p.local : title));
        page->setData(0, kPageRole, url);
      }
      if (!first.isValid() && item->childCount()) item->setData(0, kPageRole, item->child(0)->data(0, kPageRole));
    }
    addKeywords(item, k.children);
  }
}

void HelpWindow::showTopic(QTreeWidgetItem* item) {
  const QUrl url = item ? item->data(0, kPageRole).toUrl() : QUrl();
  if (url.isValid() && url != browser_->source()) browser_->setSource(url);
}

// The first keyword that begins with what was typed, else the first that
// holds it.
void HelpWindow::findKeyword(const QString& text) {
  const QString wanted = folded(text);
  if (wanted.isEmpty()) return;
  QTreeWidgetItem* holding = nullptr;
  for (QTreeWidgetItemIterator it(index_); *it; ++it) {
    const QString name = (*it)->data(0, kFoldRole).toString();
    if (name.startsWith(wanted)) {
      holding = *it;
      break;
    }
    if (!holding && name.contains(wanted)) holding = *it;
  }
  if (!holding) return;
  index_->setCurrentItem(holding);
  index_->scrollToItem(holding, QAbstractItemView::PositionAtTop);
}

void HelpWindow::runSearch() {
  results_->clear();
  const std::string query = toUtf8(searchField_->text());
  searchWords_ = helpSearchWords(query);
  if (searchWords_.empty()) {
    searchStatus_->clear();
    return;
  }
  const auto hits = help_->search(query);
  for (const auto& h : hits) {
    auto* item = new QListWidgetItem(fromUtf8(h.title), results_);
    item->setData(kPageRole, pageUrl(h.page));
  }
  const auto n = static_cast<int>(hits.size());
  if (french_)
    searchStatus_->setText(n == 0   ? QStringLiteral("Aucune page ne contient tous ces mots.")
                           : n == 1 ? QStringLiteral("1 page trouvée.")
                                    : QStringLiteral("%1 pages trouvées.").arg(n));
  else
    searchStatus_->setText(n == 0   ? QStringLiteral("No page holds all these words.")
                           : n == 1 ? QStringLiteral("1 page found.")
                                    : QStringLiteral("%1 pages found.").arg(n));
  if (n > 0) {
    results_->setCurrentRow(0);
    showHit(results_->item(0));
  }
}

// The page of a search result, its matches marked.
void HelpWindow::showHit(QListWidgetItem* item) {
  const QUrl url = item ? item->data(kPageRole).toUrl() : QUrl();
  if (!url.isValid()) return;
  showingHit_ = true;
  if (url != browser_->source()) browser_->setSource(url);
  showingHit_ = false;
  browser_->highlight(searchWords_);
}

// The contents follow the page shown, whichever way it was reached.
void HelpWindow::markCurrent(const QUrl& url) {
  if (!showingHit_) browser_->highlight({});
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

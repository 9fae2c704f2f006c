// SPDX-License-Identifier: GPL-3.0-or-later
// The help viewer on the two shipped help files, offscreen: the first page
// with its picture, a link clicked, a topic of the contents, Back and
// Forward, links that must not load, the index, the search with its marks,
// pictures fitted to the page and the window fitted to the screen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/help/help_window.h"

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }
inline void PrintTo(const QUrl& u, std::ostream* os) { *os << u.toString().toStdString(); }

namespace qx {
namespace {

// Receives the links handed to the desktop instead of a real browser.
class DesktopLinks : public QObject {
  Q_OBJECT
 public:
  DesktopLinks() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
  ~DesktopLinks() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

// Where in the page the first link to href is, in the viewport's coordinates.
std::optional<QPoint> linkPoint(QTextBrowser& b, const QString& href) {
  for (QTextBlock block = b.document()->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (f.charFormat().isAnchor() && f.charFormat().anchorHref() == href) {
        QTextCursor c(b.document());
        c.setPosition(f.position() + 1);
        b.setTextCursor(c);
        b.ensureCursorVisible();
        return b.cursorRect(c).center();
      }
    }
  return std::nullopt;
}

// The first picture of the page as the document loaded it, and the size it
// is drawn at.
QImage firstImage(QTextBrowser& b, QSizeF* drawn = nullptr) {
  for (QTextBlock block = b.document()->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it)
      if (const auto f = it.fragment().charFormat(); f.isImageFormat()) {
        if (drawn) *drawn = QSizeF(f.toImageFormat().width(), f.toImageFormat().height());
        return b.document()->resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name())).value<QImage>();
      }
  return {};
}

std::unique_ptr<HelpWindow> openWindow(const char* file) {
  std::string why;
  auto help = ChmHelp::open(std::string(QX_DATA_DIR) + "/" + file, &why);
  if (!help) ADD_FAILURE() << why;
  if (!help) return nullptr;
  auto w = std::make_unique<HelpWindow>(std::move(help));
  w->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  return w;
}

TEST(HelpViewer, ShowsBrowsesAndGoesBack) {
  struct Case {
    const char* file;
    const char* title;
    const char* heading;  // on the first page
    const char* next;     // the first page's link to the second page
    const char* topic;    // a topic of the contents with an anchor
    const char* anchor;
    const char* back;  // the button speaks the help's language
  };
  for (const Case& c : {Case{"quincunx-fr.chm", "Quincunx et Sudoku - Aide", "Quincunx et Sudoku", "regles.html",
                             "Le Quincunx", "quincunx", "Précédent"},
                        Case{"quincunx-en.chm", "Quincunx and Sudoku - Help", "Quincunx and Sudoku", "rules.html",
                             "Quincunx", "quincunx", "Back"}}) {
    SCOPED_TRACE(c.file);
    const auto window = openWindow(c.file);
    ASSERT_TRUE(window);
    HelpWindow& w = *window;
    w.resize(1200, 900);
    HelpBrowser& b = *w.browser();
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8(c.title));
    EXPECT_EQ(b.source().path(), "/index.html");
    EXPECT_TRUE(b.toPlainText().contains(QString::fromUtf8(c.heading)));
    EXPECT_GE(w.contents()->topLevelItemCount(), 8);
    QSizeF drawn;
    const QImage picture = firstImage(b, &drawn);
    EXPECT_EQ(picture.size(), QSize(640, 640));
    EXPECT_EQ(drawn, QSizeF(640, 640));
    EXPECT_FALSE(w.backAction()->isEnabled());
    EXPECT_EQ(w.backAction()->text(), QString::fromUtf8(c.back));
    const QString firstText = b.toPlainText();

    // A real click on the link to the next page.
    const auto at = linkPoint(b, c.next);
    ASSERT_TRUE(at);
    QTest::mouseClick(b.viewport(), Qt::LeftButton, {}, *at);
    EXPECT_EQ(b.source().path(), QString("/") + c.next);
    EXPECT_NE(b.toPlainText(), firstText);
    EXPECT_TRUE(w.backAction()->isEnabled());

    // A sub-topic of the contents: its page at its anchor, marked in the tree.
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItemIterator it(w.contents()); *it; ++it)
      if ((*it)->text(0) == QString::fromUtf8(c.topic) && (*it)->parent()) item = *it;
    ASSERT_TRUE(item);
    w.contents()->setCurrentItem(item);
    emit w.contents()->itemActivated(item, 0);
    EXPECT_EQ(b.source().fragment(), c.anchor);

    // Links that do not lead to a page of the file leave the page as it is;
    // a web link goes to the desktop.
    const QUrl before = b.source();
    DesktopLinks desktop;
    for (const char* link : {"no-such-page.html", "../../etc/passwd", "file:///etc/passwd",
                             "https://example.org/x"})
      b.follow(QUrl(link));
    EXPECT_EQ(b.source(), before);
    EXPECT_EQ(desktop.opened, QList<QUrl>{QUrl("https://example.org/x")});

    // Back twice to the first page, Forward once.
    w.backAction()->trigger();
    w.backAction()->trigger();
    EXPECT_EQ(b.source().path(), "/index.html");
    EXPECT_EQ(w.contents()->currentItem(), w.contents()->topLevelItem(0));
    EXPECT_TRUE(w.forwardAction()->isEnabled());
    w.forwardAction()->trigger();
    EXPECT_EQ(b.source().path(), QString("/") + c.next);
  }
}

TEST(HelpViewer, IndexAndSearchFindPages) {
  struct Case {
    const char* file;
    const char* typed;    // into the index field
    const char* keyword;  // the keyword it selects
    const char* page;     // and its page
    const char* words;    // a search
    const char* several;  // a keyword with three pages
    const char* second;   // its second page, as the index names it
    const char* secondUrl;
  };
  for (const Case& c : {Case{"quincunx-fr.chm", "cand", "Candidat (bouton)", "/boutons.html", "violette BLEU", "Enregis",
                             "Ce que garde l'enregistrement", "chm:/fichiers.html#enregis"},
                        Case{"quincunx-en.chm", "cand", "Candidate (button)", "/buttons.html", "violet BLUE", "Record",
                             "What recording keeps", "chm:/files.html#record"}}) {
    SCOPED_TRACE(c.file);
    const auto window = openWindow(c.file);
    ASSERT_TRUE(window);
    HelpWindow& w = *window;
    HelpBrowser& b = *w.browser();
    const auto file = ChmHelp::open(std::string(QX_DATA_DIR) + "/" + c.file);
    ASSERT_TRUE(file);
    const ChmHelp& help = *file;

    // The index: one line per keyword of the file; typing selects, Return shows.
    EXPECT_EQ(static_cast<std::size_t>(w.index()->topLevelItemCount()), help.index().size());
    w.tabs()->setCurrentIndex(1);
    QTest::keyClicks(w.indexField(), c.typed);
    ASSERT_TRUE(w.index()->currentItem());
    EXPECT_EQ(w.index()->currentItem()->text(0), QString::fromUtf8(c.keyword));
    QTest::keyClick(w.indexField(), Qt::Key_Return);
    EXPECT_EQ(b.source().path(), c.page);
    EXPECT_FALSE(b.source().fragment().isEmpty());
    EXPECT_EQ(b.highlightCount(), 0);
    const auto several = w.index()->findItems(QString::fromUtf8(c.several), Qt::MatchExactly);
    ASSERT_EQ(several.size(), 1);
    ASSERT_EQ(several.front()->childCount(), 3);
    QTreeWidgetItem* second = several.front()->child(1);
    EXPECT_EQ(second->text(0), QString::fromUtf8(c.second));
    emit w.index()->itemClicked(second, 0);
    EXPECT_EQ(b.source(), QUrl(c.secondUrl));

    // The search: the file's pages with every word, the first shown with
    // each match marked, and only matches.
    w.tabs()->setCurrentIndex(2);
    QTest::keyClicks(w.searchField(), c.words);
    QTest::keyClick(w.searchField(), Qt::Key_Return);
    const auto hits = help.search(c.words);
    ASSERT_GE(hits.size(), 2u);
    EXPECT_EQ(static_cast<std::size_t>(w.searchResults()->count()), hits.size());
    EXPECT_TRUE(w.searchStatus()->text().startsWith(QString::number(hits.size())));
    EXPECT_EQ(b.source().path(), QString::fromStdString(hits.front().page));
    const auto words = helpSearchWords(c.words);
    std::size_t marked = 0;
    for (const auto& mark : b.extraSelections()) {
      const std::string text = mark.cursor.selectedText().toStdString();
      EXPECT_EQ(helpWordMatches(text, words).size(), 1u) << text;
      ++marked;
    }
    EXPECT_GE(marked, hits.front().count);
    // Another result, then a link away: the marks follow, then go.
    QListWidgetItem* hit = w.searchResults()->item(1);
    QTest::mouseClick(w.searchResults()->viewport(), Qt::LeftButton, {},
                      w.searchResults()->visualItemRect(hit).center());
    EXPECT_EQ(b.source().path(), QString::fromStdString(hits[1].page));
    EXPECT_GT(b.highlightCount(), 0);
    b.follow(QUrl("index.html"));
    EXPECT_EQ(b.highlightCount(), 0);
    w.searchField()->setText("xyzzy");
    QTest::keyClick(w.searchField(), Qt::Key_Return);
    EXPECT_EQ(w.searchResults()->count(), 0);
    EXPECT_FALSE(w.searchStatus()->text().isEmpty());
  }
}

TEST(HelpViewer, FitsPicturesAndScreen) {
  // Inside the screen's available area with the frame, never more than the
  // pages want.
  struct Case {
    QRect available;
    QSize frame;
    QSize size;
  };
  for (const Case& c : {Case{{0, 0, 1280, 1024}, {0, 0}, {1000, 820}},
                        Case{{0, 0, 1366, 738}, {2, 37}, {1000, 701}},
                        Case{{0, 32, 1600, 868}, {2, 37}, {1000, 820}},
                        Case{{0, 0, 800, 570}, {10, 40}, {790, 530}}})
    EXPECT_EQ(HelpWindow::fittedSize(c.available, c.frame), c.size) << c.available.width() << "x" << c.available.height();

  const auto window = openWindow("quincunx-en.chm");
  ASSERT_TRUE(window);
  HelpWindow& w = *window;
  EXPECT_TRUE(w.screen()->availableGeometry().contains(w.frameGeometry()));

  // The first page's 640-pixel picture: narrower than the page, as it is;
  // wider, scaled to the page and back.
  QSizeF drawn;
  for (const int width : {1200, 700, 1200}) {
    w.resize(width, 700);
    QCoreApplication::processEvents();
    firstImage(*w.browser(), &drawn);
    const qreal room = w.browser()->viewport()->width();
    if (room >= 700) EXPECT_EQ(drawn, QSizeF(640, 640)) << width;
    else {
      EXPECT_LT(drawn.width(), room) << width;
      EXPECT_GT(drawn.width(), room - 80) << width;
      EXPECT_EQ(drawn.height(), drawn.width()) << width;
    }
  }
}

}  // namespace
}  // namespace qx

#include "help_viewer_test.moc"

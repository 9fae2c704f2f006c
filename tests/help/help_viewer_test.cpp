// The help viewer on the two shipped help files, offscreen: the first page
// with its picture, a link clicked, a topic of the contents, Back and
// Forward, and links that must not load.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QImage>
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

// The first picture of the page as the document loaded it.
QImage firstImage(QTextBrowser& b) {
  for (QTextBlock block = b.document()->begin(); block.isValid(); block = block.next())
    for (auto it = block.begin(); !it.atEnd(); ++it)
      if (const auto f = it.fragment().charFormat(); f.isImageFormat())
        return b.document()->resource(QTextDocument::ImageResource, QUrl(f.toImageFormat().name())).value<QImage>();
  return {};
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
    std::string why;
    auto help = ChmHelp::open(std::string(QX_DATA_DIR) + "/" + c.file, &why);
    ASSERT_TRUE(help) << why;
    HelpWindow w(std::move(help));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    HelpBrowser& b = *w.browser();
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8(c.title));
    EXPECT_EQ(b.source().path(), "/index.html");
    EXPECT_TRUE(b.toPlainText().contains(QString::fromUtf8(c.heading)));
    EXPECT_GE(w.contents()->topLevelItemCount(), 8);
    const QImage picture = firstImage(b);
    EXPECT_EQ(picture.size(), QSize(640, 640));
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

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "help_viewer_test.moc"

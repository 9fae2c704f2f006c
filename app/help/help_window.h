// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help viewer's window: the contents, the keyword index and a search on
// the left, the pages of one compiled help file on the right.

#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>
#include <memory>
#include <string>
#include <vector>

#include "files/chm_help.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qx {

// Pages, pictures and style sheets come out of the help file: every URL of
// the scheme "chm" names an object by its absolute path.
class HelpBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpBrowser(const ChmHelp& help, QWidget* parent = nullptr);
  QVariant loadResource(int type, const QUrl& name) override;
  // A link as the page gives it: pages of the file are shown, web and mail
  // links go to the desktop, anything else is ignored.
  void follow(const QUrl& link);
  // Marks the words of the page that begin with one of words (as made by
  // helpSearchWords) and scrolls to the first; no words clears the marks.
  void highlight(const std::vector<std::string>& words);
  int highlightCount() const { return static_cast<int>(extraSelections().size()); }

 protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Pictures wider than the page are drawn at the page's width.
  void fitImages();

  const ChmHelp& help_;
  bool fitting_ = false;
};

class HelpWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit HelpWindow(std::unique_ptr<ChmHelp> help, QWidget* parent = nullptr);

  HelpBrowser* browser() const { return browser_; }
  QTabWidget* tabs() const { return tabs_; }
  QTreeWidget* contents() const { return tree_; }
  QTreeWidget* index() const { return index_; }
  QLineEdit* indexField() const { return indexField_; }
  QLineEdit* searchField() const { return searchField_; }
  QListWidget* searchResults() const { return results_; }
  QLabel* searchStatus() const { return searchStatus_; }
  QAction* backAction() const { return back_; }
  QAction* forwardAction() const { return forward_; }

  static QUrl pageUrl(const std::string& path);
  // The size the window takes on a screen with this available area when its
  // frame adds frame around it: as large as the pages want, never larger
  // than the area.
  static QSize fittedSize(const QRect& available, const QSize& frame);

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  QUrl topicUrl(const std::string& local) const;
  void addTopics(QTreeWidgetItem* parent, const std::vector<HelpTopic>& topics);
  void addKeywords(QTreeWidgetItem* parent, const std::vector<HelpTopic>& keywords);
  void showTopic(QTreeWidgetItem* item);
  void findKeyword(const QString& text);
  void runSearch();
  void showHit(QListWidgetItem* item);
  void markCurrent(const QUrl& url);
  void fitToScreen();
  void fitOnceFramed();

  std::unique_ptr<ChmHelp> help_;
  bool french_ = false;
  QTabWidget* tabs_;
  QTreeWidget* tree_;
  QTreeWidget* index_;
  QLineEdit* indexField_;
  QLineEdit* searchField_;
  QListWidget* results_;
  QLabel* searchStatus_;
  HelpBrowser* browser_;
  QAction* back_;
  QAction* forward_;
  std::vector<std::string> searchWords_;
  bool showingHit_ = false;
  bool frameKnown_ = false;
};

}  // namespace qx

#pragma once
// The help viewer's window: the contents on the left, the pages of one
// compiled help file on the right.

#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>
#include <memory>

#include "files/chm_help.h"

class QAction;
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

 private:
  const ChmHelp& help_;
};

class HelpWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit HelpWindow(std::unique_ptr<ChmHelp> help, QWidget* parent = nullptr);

  HelpBrowser* browser() const { return browser_; }
  QTreeWidget* contents() const { return tree_; }
  QAction* backAction() const { return back_; }
  QAction* forwardAction() const { return forward_; }

  static QUrl pageUrl(const std::string& path);

 private:
  void addTopics(QTreeWidgetItem* parent, const std::vector<HelpTopic>& topics);
  void showTopic(QTreeWidgetItem* item);
  void markCurrent(const QUrl& url);

  std::unique_ptr<ChmHelp> help_;
  QTreeWidget* tree_;
  HelpBrowser* browser_;
  QAction* back_;
  QAction* forward_;
};

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// The modal boxes and dialogs: message and question boxes, the open-file
// dialog and the print dialog.
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpacerItem>
#include <algorithm>

#include "platform/paper.h"
#include "platform/qt/qt_paper.h"
#include "platform/qt/qt_platform_impl.h"

namespace qx {

namespace {

// A Windows filter pattern ("*.txt;*.sud", "*.*") as Qt reads it.
QString filterName(const std::string& description, const std::string& pattern) {
  QStringList globs;
  for (QString glob : fromUtf8(pattern).split(u';', Qt::SkipEmptyParts)) {
    glob = glob.trimmed();
    // "*.*" means every file on Windows; in Qt it would need a dot.
    globs << (glob == QLatin1String("*.*") ? QStringLiteral("*") : glob);
  }
  const QString desc = fromUtf8(description);
  const QString parens = u'(' + globs.join(u' ') + u')';
  return desc.endsWith(parens) ? desc : desc + u' ' + parens;
}

// A window manager cuts a title longer than the box is wide; the box sizes
// itself from its layout, so a spacer across the bottom holds it wide enough
// for the title in the title bar's font, with room for the bar's icon and
// buttons.
void holdWideForTitle(QMessageBox& box) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    constexpr int kTitleBarExtras = 140;
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

}  // namespace

QWidget* QtPlatform::Impl::dialogParent() {
  return window && window->isVisible() ? window.get() : nullptr;
}

int QtPlatform::messageBox(std::string_view text, std::string_view title, int style) {
  const bool okCancel = (style & 1) != 0;
  QMessageBox box(QMessageBox::Information, fromUtf8(title), fromUtf8(text),
                  okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                  d_->dialogParent());
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
  holdWideForTitle(box);
  // The nested loop keeps the timers ticking; quit() ends it too.
  box.exec();
  if (box.clickedButton() == box.button(QMessageBox::Ok)) return kIdOk;
  return okCancel ? kIdCancel : kIdOk;
}

int QtPlatform::questionBox(std::string_view text, std::string_view title,
                            const std::vector<std::string>& buttons) {
  QMessageBox box(QMessageBox::Question, fromUtf8(title), fromUtf8(text), QMessageBox::NoButton,
                  d_->dialogParent());
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  std::vector<QAbstractButton*> pressed;
  for (const std::string& label : buttons)
    pressed.push_back(box.addButton(fromUtf8(label), pressed.empty() ? QMessageBox::AcceptRole
                                                                     : QMessageBox::DestructiveRole));
  QAbstractButton* cancel = box.addButton(QMessageBox::Cancel);
  if (!pressed.empty()) box.setDefaultButton(qobject_cast<QPushButton*>(pressed.front()));
  box.setEscapeButton(cancel);
  holdWideForTitle(box);
  box.exec();
  const auto it = std::find(pressed.begin(), pressed.end(), box.clickedButton());
  return it == pressed.end() ? -1 : static_cast<int>(it - pressed.begin());
}

std::optional<std::string> QtPlatform::openFileDialog(
    std::string_view title, const std::vector<std::pair<std::string, std::string>>& filters,
    const std::string& initialDir) {
  QFileDialog dialog(d_->dialogParent(), fromUtf8(title), QFile::decodeName(initialDir.c_str()));
  // Qt's own dialog on every desktop, so tests can drive it.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setWindowModality(Qt::ApplicationModal);
  QStringList names;
  for (const auto& [description, pattern] : filters) names << filterName(description, pattern);
  if (!names.isEmpty()) dialog.setNameFilters(names);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return QFile::encodeName(chosen.first()).toStdString();
}

std::unique_ptr<Paper> QtPlatform::choosePrinter(std::string_view title) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setPageSize(QPageSize(QPageSize::A4));
  printer->setDocName(fromUtf8(title));
  QPrintDialog dialog(printer.get(), d_->dialogParent());
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  return printerPaper(std::move(printer));
}

}  // namespace qx

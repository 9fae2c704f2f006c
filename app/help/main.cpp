// SPDX-License-Identifier: GPL-3.0-or-later
// quincunx-help FILE.chm: the program's own viewer of its compiled help.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/help/help_window.h"

namespace {

const char* const kUsage =
    "Usage: quincunx-help FILE.chm\n"
    "Show a compiled HTML help file: its contents, its keyword index and a search of\n"
    "its pages' words on the left, its pages on the right, with working links,\n"
    "pictures, and Back and Forward buttons. Links to web pages open in the desktop's\n"
    "browser.\n"
    "\n"
    "Options:\n"
    "  -h, --help     display this help and exit\n"
    "  -V, --version  output version information and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the window was closed\n"
    "  1  FILE cannot be read as a compiled help file\n"
    "  2  wrong use of the command\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before any display is needed.
  std::string file;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-V")) {
      std::printf("quincunx-help %s\n", QX_VERSION);
      return 0;
    }
    if (!file.empty() || (argv[i][0] == '-' && argv[i][1] != '\0')) {
      std::fprintf(stderr, "quincunx-help: unexpected argument '%s'\n%s", argv[i], kUsage);
      return 2;
    }
    file = argv[i];
  }
  if (file.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  std::string why;
  auto help = qx::ChmHelp::open(file, &why);
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("quincunx-help"));
  // Its desktop entry gives the shells the program's icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.kelvo.quincunx.help"));
  if (!help) {
    std::fprintf(stderr, "quincunx-help: %s\n", why.c_str());
    const bool french = QLocale().language() == QLocale::French;
    const QString path = QString::fromLocal8Bit(file.c_str());
    QMessageBox::critical(nullptr, QStringLiteral("quincunx-help"),
                          french ? QStringLiteral("Ce fichier d'aide ne peut pas être lu :\n%1").arg(path)
                                 : QStringLiteral("This help file cannot be read:\n%1").arg(path));
    return 1;
  }
  qx::HelpWindow window(std::move(help));
  window.show();
  return application.exec();
}

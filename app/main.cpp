// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program: the Qt window host and the program over it.
#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "app/single_window.h"
#include "files/data_dirs.h"
#include "platform/qt/qt_platform.h"
#include "tools/gen/generator.h"
#include "ui/app.h"

namespace {

constexpr const char* kHelp =
    "Usage: quincunx-kelvo [--help] [--version] [--new sudoku|quincunx [RATING]] [FILE.jeu]\n"
    "\n"
    "Plays and solves classic Sudoku and Quincunx puzzles (five overlapping 9x9 grids\n"
    "on a 21x21 field) in a window, in French or English.\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "  --new sudoku|quincunx [RATING]\n"
    "             make a new puzzle of that game once started, as F2 does, and\n"
    "             open it; RATING is singles, logic (the default), trials or deep\n"
    "  FILE.jeu   open this puzzle file once started, as the open command (F3)\n"
    "             would; a name starting with sudoku or quincunx chooses the game\n"
    "\n"
    "Keys:\n"
    "  F2         make a new puzzle of the current game, of the difficulty chosen in\n"
    "             its box (Easy, Medium, Hard, Fiendish: singles to deep), and open it\n"
    "  F3         open a puzzle file\n"
    "  Ctrl+P     print the board (a PDF file is one of the printers): the givens\n"
    "             and the values placed, without buttons, cursor or candidates\n"
    "\n"
    "Files:\n"
    "  Run from a folder that holds its data beside it (the build tree, a copied\n"
    "  folder), the program keeps its five state files (quincunx.jeu, quincunj.jeu,\n"
    "  quincunk.jeu, quincunl.jeu, quincunm.jeu) there too. Installed (the data in\n"
    "  ../share/quincunx beside its bin folder), it keeps them in\n"
    "  $XDG_DATA_HOME/quincunx, by default ~/.local/share/quincunx, seeded at the\n"
    "  first start. New puzzles (F2, --new) are written into the Jeux folder of\n"
    "  that state folder. The open command (F3) starts in ./Jeux when the current folder\n"
    "  has one, else in the Jeux folder of that state folder, else in the shipped one.\n"
    "  The state is saved by the Record button and on a language switch; closing\n"
    "  the window after a change asks whether to record it first.\n"
    "  One window keeps one state folder: a second start on the same folder brings\n"
    "  that window to the front.\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before any display is looked for.
  std::string puzzle;
  int newSu = 1, newRating = -1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--new") == 0) {
      const bool sudoku = i + 1 < argc && std::strcmp(argv[i + 1], "sudoku") == 0;
      if (!sudoku && (i + 1 >= argc || std::strcmp(argv[i + 1], "quincunx") != 0)) {
        std::fputs("quincunx-kelvo: --new takes sudoku or quincunx\n", stderr);
        return 2;
      }
      newSu = sudoku ? 1 : 0;
      newRating = 1;
      ++i;
      if (i + 1 < argc && argv[i + 1][0] != '-') {
        const auto r = qx::gen::parseRating(argv[i + 1]);
        if (r) {
          newRating = static_cast<int>(*r);
          ++i;
        }
      }
      continue;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("quincunx-kelvo %s\n", QX_VERSION);
      return 0;
    }
    // A file from the desktop; Qt's own options (-platform ...) are left to it.
    if (argv[i][0] != '-' && puzzle.empty() && (i == 1 || argv[i - 1][0] != '-')) {
      std::error_code ec;
      const std::filesystem::path p = std::filesystem::absolute(argv[i], ec);
      puzzle = ec ? argv[i] : p.string();
    }
  }
  QApplication application(argc, argv);
  // Ties the window to the menu entry and its icon, once installed.
  QGuiApplication::setDesktopFileName("org.kelvo.quincunx");
  QApplication::setWindowIcon(QIcon::fromTheme("quincunx-kelvo"));

  const qx::ProgramFolders folders = qx::programFolders();
  std::string unusable;
  // Before anything in the folder is read or written: one window per folder.
  std::optional<qx::SingleWindow> single;
  if (qx::makeStateFolder(folders, unusable)) single.emplace(folders.state);
  if (single && single->outcome() == qx::StateLock::busy) return single->handOver();
  if (single && single->outcome() == qx::StateLock::failed) unusable = single->error();
  const bool locked = single && single->outcome() == qx::StateLock::held;
  if (locked) qx::seedStateFolder(folders, qx::localeLanguage(), unusable);

  qx::QtPlatform platform;
  qx::App program(platform, folders.data, folders.state);
  program.openAtStart = puzzle;
  program.newAtStartSu = newSu;
  program.newAtStartRating = newRating;
  if (!unusable.empty())
    program.stateFolderUnusable(folders.installed ? qx::firstStateFolder(folders) : std::string(), unusable, locked,
                                folders.installed ? qx::localeLanguage() : -1);
  return program.WinMain();
}

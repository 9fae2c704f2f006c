#pragma once
// Where the program's files are: the shipped data (default puzzles, Jeux/,
// help files) and the user's state (the five saved state files).

#include <string>

namespace qx {

struct ProgramFolders {
  std::string data;   // default puzzles, the shipped Jeux folder, the help files
  std::string state;  // the five state files; a user's own Jeux folder may sit here
  bool installed = false;
};

// The two folders for an executable in exeDir, decided by the layout alone:
// - portable (the default Quincunx puzzle beside the executable, as in the
//   build tree or a copied folder): both are exeDir;
// - installed (it lies in exeDir/../share/quincunx): the data is there and the
//   state in $XDG_DATA_HOME/quincunx, or home/.local/share/quincunx when
//   XDG_DATA_HOME is unset, empty or relative;
// - neither: both are exeDir, so the files are looked for where they always were.
// xdgDataHome and home may be null (unset). Without any usable home the state
// stays in the data folder, where a save fails and says so.
ProgramFolders programFolders(const std::string& exeDir, const char* xdgDataHome, const char* home);
// The same for the running executable and the environment.
ProgramFolders programFolders();

// Installed layout only: creates the state folder when missing and, at the
// first start (no saved puzzle there yet), copies the shipped first state
// (data/state/*) into it without replacing anything. Returns false with a
// description in error when the folder cannot be made ready.
bool prepareStateFolder(const ProgramFolders& folders, std::string& error);

}  // namespace qx

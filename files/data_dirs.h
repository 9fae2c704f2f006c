// SPDX-License-Identifier: GPL-3.0-or-later
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

// Installed layout only: creates the state folder when missing. Returns
// false with the reason in error when it cannot be made.
bool makeStateFolder(const ProgramFolders& folders, std::string& error);

// Installed layout only, by the holder of the folder's lock: when the state
// folder holds no whole record (a new user, or a seed an older version left
// empty or cut short), puts the shipped first state (data/state) in place,
// all or nothing, with lang as its language. A record is never replaced.
// Returns false with the reason in error when it cannot be done.
bool seedStateFolder(const ProgramFolders& folders, int lang, std::string& error);

// Where the shipped first state lies.
std::string firstStateFolder(const ProgramFolders& folders);

// A new user's first language from the locale variables, the first set of
// LC_ALL, LC_MESSAGES and LANG deciding: 0 French when its language is
// French, else 1 English. Null means unset.
int localeLanguage(const char* lcAll, const char* lcMessages, const char* lang);
// The same for the environment.
int localeLanguage();

}  // namespace qx

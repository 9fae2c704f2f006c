// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The five files beside the executable that keep the user's whole state
// between runs (the puzzle, the placed values, the two candidate masks, and
// the settings with the test marks): their layouts, and their save together
// (state_format.cpp, over atomic_save.h).

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/board.h"
#include "files/atomic_save.h"
#include "files/text_reader.h"

namespace qx {

inline constexpr const char* kPuzzleFile = "quincunx.jeu";      // clue + tab1
inline constexpr const char* kPlacedFile = "quincunj.jeu";      // tab2
inline constexpr const char* kMaskFile = "quincunk.jeu";        // candie
inline constexpr const char* kTestMaskFile = "quincunl.jeu";    // candif
inline constexpr const char* kSettingsFile = "quincunm.jeu";    // settings + tab7
// Names the new files of a save while they are put in place.
inline constexpr const char* kJournalFile = "quincunx.journal";

// What the settings file carries besides the variant su (kept by the Board).
// Start-up values: nothing recorded yet, French, normal mode.
struct Settings {
  int nTimer = 0;  // cumulative search time, seconds
  int er = 0;      // 0 wrong values in red, 1 hidden
  int es = 0;      // 0 normal mode, 1 test mode
  int ess = 0;     // test values typed in the current test
  int cand = 0;    // 1 candidates shown
  int nxb = 0;     // column of the first test value, 0 for none
  int nyb = 0;     // row of the first test value, 0 for none
  int lang = 0;    // 0 French, 1 English
  int candet = 0;  // 1: the candidate refresh runs the logical pass
  int coin = 0;    // carried from the file back into the file
};

// The text of each file, in the layout the readers expect.
std::string ecriture(const Grid& tab1, const Clue& clue);
std::string ecriturf(const Grid& tab2);
std::string ecriturg(const Cands& candie);
std::string ecriturh(const Cands& candif);
std::string ecrituri(const Settings& s, int su, const Grid& tab7);

// Readers of a file's text. Each first resets what it fills to its start-up
// value (cleared board, full mask, start-up settings), so a short file leaves
// start values, never stale ones.
void lecturfText(std::string_view text, Grid& tab2);
void candidateMaskText(std::string_view text, Cands& mask);
// False when some value was not as the program writes it (and was replaced
// by its start value).
bool lecturiText(std::string_view text, Settings& s, int& su, Grid& tab7);

// The same, from the file in dir. A missing file reads as an empty one and
// is no failure; a file that cannot be read (or, for the settings, is
// damaged) leaves start values and says why.
ReadStatus lecturf(const std::string& dir, Grid& tab2);
ReadStatus lecturg(const std::string& dir, Cands& candie);
ReadStatus lecturh(const std::string& dir, Cands& candif);
ReadStatus lecturi(const std::string& dir, Settings& s, int& su, Grid& tab7);

// The five files and their journal, saved together.
const FileSet& stateFiles();

// Finishes an interrupted save of the five files (see recoverWrite); a
// blocking journal is kept as quincunx.journal.bad with setAsideBlocking.
Recovery recoverState(const std::string& dir, bool setAsideBlocking = false);

struct SaveResult : WriteResult {
  // A record was in the folder before: a failed save leaves it as it was.
  bool previous = false;
};

// Each of the five files' names with its text for this state.
std::vector<std::pair<std::string, std::string>> stateTexts(const Board& b, const Clue& clue, const Settings& s);

// Writes the five files into dir, all or none, across a crash at any moment
// and any failed step. The files named in keepAside (ones the start-up could
// not use) are first kept as NAME.bad.
SaveResult saveState(const std::string& dir, const Board& b, const Clue& clue, const Settings& s,
                     const std::vector<std::string>& keepAside = {});
// The same for some of the five state files, each (name, text).
SaveResult putInPlace(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& files,
                      const std::vector<std::string>& keepAside = {});

}  // namespace qx

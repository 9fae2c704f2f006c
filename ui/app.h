// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program: its whole state, the start-up, the window procedure and the
// drawing. One instance runs the one window.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/board.h"
#include "engine/engine.h"
#include "platform/platform.h"
#include "texts/texts.h"
#include "transform/permut.h"
#include "ui/colours.h"
#include "ui/dc.h"
#include "ui/geometry.h"
#include "ui/modes.h"

namespace qx {

// The window's timers by id: the clock of the search time, and the start-up
// completion's one tick.
namespace timer {
enum : int { kClock = 1, kStartUp = 3 };
}  // namespace timer

inline constexpr const char* kAuthorLine = " - Kelvo, version 0.1";

class App : public WindowProc, public SolverHost {
 public:
  // dataDir: the default puzzles, the Jeux folder and the help files;
  // stateDir: the five state files (and a user's own Jeux folder).
  App(Platform& platform, std::string dataDir, std::string stateDir);
  // One folder for both, as beside a portable executable.
  App(Platform& platform, std::string dir) : App(platform, dir, dir) {}

  // The state folder cannot keep games, for why: the start-up reads the
  // shipped first state in firstState instead (in language lang, when
  // given) and says so. Without the folder's lock (locked false) nothing
  // there is recovered or saved.
  void stateFolderUnusable(std::string firstState, std::string why, bool locked, int lang = -1);

  // Start-up through the start-up box; then the message loop. Returns the
  // loop's exit code.
  int WinMain();
  // Start-up without the box and the loop (tests drive WndProc themselves).
  void startUp();

  std::intptr_t WndProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

  void affich();
  void curseur();

  // SolverHost
  void nessage() override;
  int termine() const override { return m.termine; }
  void waitCursor() override;
  void clearClientArea() override;
  void redraw() override;
  void failureBox(int text) override;

  // Candidate rebuild, or the logical pass when candet is 1.
  void candidateRefresh();
  // The command of button n (1..14), after its box when it has one.
  void command(int n);
  // F3: choose a puzzle file and load it.
  void openCommand();
  // The same with the file given: the variant from its name, its errors
  // reported as F3 reports them.
  void openFile(const std::string& path);
  // F2: asks for a rating, then makes a puzzle of the current game.
  void newCommand();
  // Makes a puzzle of game su (0 Quincunx, 1 Sudoku) and rating 0 (singles)
  // to 3 (deep) away from the window, writes it into the Jeux folder of the
  // state folder with the next free number of its name, and opens it as F3
  // would. The path written, empty when nothing was.
  std::string newPuzzle(int su, int rating);
  // A new puzzle to make at start instead of a file (rating -1: none).
  int newAtStartSu = 1;
  int newAtStartRating = -1;
  // Ctrl+P: the board through the host's print dialog.
  void printCommand();
  // A puzzle file to open at start (from the command line), once the
  // start-up box is answered (this call) and the start-up completion has
  // run, whichever comes last.
  std::string openAtStart;
  void openStartFile();
  // Writes the five state files; tells the user when that failed.
  bool record();
  // Whether what the state files would hold (but the clock) differs from
  // what they held at start or at the last record.
  bool unrecorded() const;
  // The window is asked to close: true to close. After a change, asks
  // whether to record first.
  bool closeRequest();
  // The boxes about the state folder and each state file the start-up could
  // not use, if any.
  void reportIgnored();
  // A solve in mode 0, 1 or 5; in modes 0 and 1 a final board that breaks a
  // rule is reported erroneous, whatever the methods made of it.
  void solve(int mode);

  // State files the start-up read no value from, and why.
  struct Ignored {
    std::string name, why;
  };
  std::vector<Ignored> ignored;

  Board b;
  Clue clue;
  Modes m;
  Texts texts;
  Permuter random;
  Geometry g;
  Engine engine{b, *this};

  int posx = 0, posy = 0;  // last pointer position
  int nx = 0, ny = 0;      // cell under the pointer
  int nxa = 0, nya = 0;    // current cell, the target of keyboard entry
  int ok[15] = {};         // pointer over button n at this move
  int oka[15] = {};        // ... at the previous move
  int x = 0, y = 0;        // pointer position last read by curseur

 private:
  void restoreState();
  void defineFonts();
  std::string title() const;
  void startUpCompletion();
  void onMouseMove(std::intptr_t lParam);
  void onLButtonDown(std::intptr_t lParam);
  void onKeyDown(int vk);
  void onKeyUp();
  void onChar(int ch);
  void shiftHighlight();
  bool won() const;
  // Asks with the button's explanation box; true unless answered Cancel.
  bool confirm(Explain box);
  void show(const Message& box);
  void clearMasks();
  void loadPuzzle(const std::string& path);
  void solveBehind();
  void languageSwitch();
  // A button in its plain or highlighted look.
  void drawButton(int n, bool highlighted);
  std::string_view label(int n) const;
  int labelOffset(int n) const;
  // Step 4 and 5 of the board: grid and domain lines.
  void gridLines();
  void frames();

  Platform& p_;
  std::string data_;
  std::string state_;
  std::string readFrom_;    // where the start-up reads the state, when not state_
  std::string unusable_;    // why the state folder cannot keep games
  std::string unfinished_;  // why the last record is not all in place yet
  bool locked_ = true;      // this window holds the state folder's lock
  int firstLang_ = -1;      // the language of the first state, when not its own
  bool boxShown_ = false;  // the running solve has shown its failure box
  bool completed_ = false;  // the start-up completion has run
  bool startBoxDone_ = false;  // the start-up box is answered
  std::string recorded_;   // the state files' text as last read or written, clock aside
  std::string stateText() const;
  Dc dc_;
};

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// The buttons, the open command, the keyboard and the win message, driven
// through WndProc with the message numbers the window sends.
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "files/file_ops.h"
#include "files/puzzle_file.h"
#include "tests/support/hostile.h"
#include "tests/support/puzzles.h"
#include "tests/ui/ui_fixture.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

void makeExecutable(const fs::path& p) {
  std::ofstream(p) << "#!/bin/sh\n";
  fs::permissions(p, fs::perms(0755));
}

class Commands : public test::UiTest {
 protected:
  void SetUp() override {
    fs::copy_file(fs::path(QX_DATA_DIR) / "quincunn.jeu", dir / "quincunn.jeu");
    fs::copy_file(fs::path(QX_DATA_DIR) / "quincuno.jeu", dir / "quincuno.jeu");
  }
  // A Sudoku from the easy set, started and completed as at start-up.
  App& startSudoku(int line = 0) {
    const auto set = test::loadSet("sudoku-easy");
    puzzle = set[line];
    save(test::sudokuBoard(puzzle.puzzle), Clue{}, Settings{});
    App& a = start();
    a.WndProc(kMsgTimer, timer::kStartUp, 0);
    return a;
  }
  void click(int n) {
    const Rect& r = app->g.rect[n];
    app->WndProc(kMsgLButtonDown, 0, pointParam((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  }
  // Moves the pointer into cell (c, r), which becomes the current cell.
  void moveTo(int c, int r) {
    const int h = app->g.hh;
    app->WndProc(kMsgMouseMove, 0, pointParam((c - 1) * h + h / 2, (r - 1) * h + h / 2));
  }
  void type(char ch) { app->WndProc(kMsgChar, static_cast<unsigned char>(ch), 0); }
  // The first empty cell of grid 1, as (column, row).
  Point emptyCell(int skip = 0) {
    for (int k = 0; k < 81; ++k)
      if (puzzle.puzzle[k] == '.' && skip-- == 0) return {k % 9 + 1, k / 9 + 1};
    return {0, 0};
  }
  char solutionAt(Point cell) { return puzzle.solution[(cell.y - 1) * 9 + cell.x - 1]; }

  test::SetPuzzle puzzle;
};

TEST_F(Commands, CancelChangesNothing) {
  App& a = startSudoku();
  a.b.tab2[1][1] = a.b.tab1[1][1] == '0' ? '5' : '0';
  const Board before = a.b;
  const Modes modes = a.m;
  for (int n : {button::kData, button::kPlay, button::kCorrect, button::kRecord, button::kSolution,
                button::kMode, button::kPartial}) {
    platform.answers = {kIdCancel};
    click(n);
    EXPECT_TRUE(std::tie(a.b.tab1, a.b.tab2, a.b.tab6, a.b.candie) ==
                std::tie(before.tab1, before.tab2, before.tab6, before.candie)) << n;
    EXPECT_EQ(std::tie(a.m.jou, a.m.es), std::tie(modes.jou, modes.es)) << n;
  }
  EXPECT_FALSE(fs::exists(dir / "quincunm.jeu.tmp"));
  EXPECT_EQ(platform.boxes.size(), 7u);
  for (const auto& box : platform.boxes) EXPECT_EQ(box.style, kBoxOkCancel);
}

TEST_F(Commands, DataPlayAndCorrect) {
  App& a = startSudoku();
  click(button::kData);
  EXPECT_EQ(a.m.jou, 0);
  EXPECT_EQ(a.b.tab1[1][1], '0');
  EXPECT_EQ(a.b.tab1[1][10], ' ');  // gap cells
  EXPECT_EQ(a.b.tab6[5][5], '0');
  EXPECT_EQ(platform.boxes.back().title, "Données");

  // Type a puzzle in data entry (Insert does not matter here), then play.
  for (int k = 0; k < 81; ++k) {
    if (puzzle.puzzle[k] == '.') continue;
    moveTo(k % 9 + 1, k / 9 + 1);
    type(puzzle.puzzle[k]);
  }
  a.m.nTimer = 50;
  click(button::kPlay);
  EXPECT_EQ(a.m.jou, 1);
  EXPECT_EQ(a.m.nTimer, 0);
  EXPECT_EQ(test::grid1(a.b), puzzle.puzzle);  // the play layer is empty
  const Point e = emptyCell();
  EXPECT_EQ(a.b.tab6[e.y][e.x], solutionAt(e));

  moveTo(e.x, e.y);
  type('1');
  click(button::kCorrect);
  EXPECT_EQ(a.m.jou, 0);
  EXPECT_EQ(a.b.tab2[e.y][e.x], '0');
  EXPECT_EQ(a.b.tab6[e.y][e.x], solutionAt(e));  // kept for the correction
}

TEST_F(Commands, TestModeSequence) {
  App& a = startSudoku(3);
  const Point A = emptyCell(0), B = emptyCell(1);
  a.b.candie[A.y][A.x][solutionAt(A) - '0'] = '0';
  // Each value typed: the cell's test mark and the count of test values.
  const struct {
    Point cell;
    char value, mark;
    int count;
  } steps[] = {{A, '5', '1', 1}, {A, '6', '1', 1}, {B, '7', '2', 2}};
  click(button::kMode);
  EXPECT_EQ(std::tie(a.m.es, a.m.ess), std::make_tuple(1, 0));
  for (const auto& t : steps) {
    moveTo(t.cell.x, t.cell.y);
    type(t.value);
    EXPECT_EQ(std::make_tuple(a.b.tab2[t.cell.y][t.cell.x], a.b.tab7[t.cell.y][t.cell.x], a.m.ess),
              std::make_tuple(t.value, t.mark, t.count)) << t.value;
  }
  const std::size_t boxes = platform.boxes.size();
  moveTo(A.x, A.y);
  type('8');
  ASSERT_EQ(platform.boxes.size(), boxes + 1);
  EXPECT_EQ(platform.boxes.back().title, "Impossible");
  EXPECT_EQ(a.b.tab2[A.y][A.x], '6');
  const Grid given = a.b.tab1;
  click(button::kPermut);  // refused in test mode
  const Message refusal = normalModeRefusal(0);
  EXPECT_EQ(platform.boxes.back().text, refusal.text);
  EXPECT_EQ(platform.boxes.back().style, kBoxOk);
  EXPECT_TRUE(a.b.tab1 == given);

  a.b.candie[B.y][B.x][1] = '0';  // changed during the test, then restored
  click(button::kMode);
  EXPECT_EQ(a.m.es, 0);
  EXPECT_EQ(std::tie(a.b.tab2[A.y][A.x], a.b.tab7[A.y][A.x]), std::make_tuple('6', '1'));  // violet stays
  EXPECT_EQ(std::tie(a.b.tab2[B.y][B.x], a.b.tab7[B.y][B.x]), std::make_tuple('0', '0'));  // blue goes
  EXPECT_EQ(a.b.candie[B.y][B.x][1], '1');
  EXPECT_EQ(a.b.candie[A.y][A.x][solutionAt(A) - '0'], '0');

  click(button::kPermut);  // works again in normal mode
  EXPECT_EQ(a.m.nTimer, 0);
}

TEST_F(Commands, InsertDigitTogglesTheMask) {
  App& a = startSudoku();
  const Point e = emptyCell();
  const int d = solutionAt(e) - '0';
  moveTo(e.x, e.y);
  platform.insert = true;
  type(static_cast<char>('0' + d));
  EXPECT_EQ(a.b.candie[e.y][e.x][d], '0');
  EXPECT_EQ(a.b.tab2[e.y][e.x], '0');
  type(static_cast<char>('0' + d));
  EXPECT_EQ(a.b.candie[e.y][e.x][d], '1');
  // Over a given nothing changes.
  int k = 0;
  while (puzzle.puzzle[k] == '.') ++k;
  moveTo(k % 9 + 1, k / 9 + 1);
  const auto mask = a.b.candie;
  type('3');
  EXPECT_TRUE(a.b.candie == mask);
}

TEST_F(Commands, WinMessageWithTheElapsedTime) {
  App& a = startSudoku(5);
  for (const auto& [seconds, shown] : {std::pair{42, "42 s"}, {3725, "1 h 2 m 5 s"}}) {
    for (int r = 1; r <= 9; ++r)
      for (int c = 1; c <= 9; ++c) a.b.tab2[r][c] = '0';
    a.m.nTimer = seconds;
    std::size_t boxes = platform.boxes.size();
    for (int k = 0; k < 81; ++k) {
      if (puzzle.puzzle[k] != '.') continue;
      moveTo(k % 9 + 1, k / 9 + 1);
      type(puzzle.solution[k]);
    }
    ASSERT_EQ(platform.boxes.size(), boxes + 1);
    EXPECT_EQ(platform.boxes.back().title, "Gagné");
    EXPECT_EQ(platform.boxes.back().text, "Bravo : vous avez gagné en " + std::string(shown));
    EXPECT_EQ(a.m.nTimer, seconds);
  }
}

TEST_F(Commands, GameTypeLoadsTheDefaultsAndTitles) {
  App& a = startSudoku();
  a.m.nTimer = 99;
  click(button::kGame);
  EXPECT_EQ(a.b.su, 0);
  EXPECT_EQ(platform.windowTitle.rfind("Quincunx", 0), 0u);
  EXPECT_EQ(a.m.nTimer, 0);
  Grid expected = test::zeros();
  Clue c;
  ASSERT_TRUE(lecture((dir / "quincunn.jeu").string(), expected, c));
  EXPECT_TRUE(a.b.tab1 == expected);
  int row = 13, col = 13;
  while (a.b.tab1[row][col] != '0') ++col;
  EXPECT_NE(a.b.tab6[row][col], '0');  // solved behind the board
  EXPECT_EQ(a.b.tab2[row][col], '0');
  click(button::kGame);
  EXPECT_EQ(a.b.su, 1);
  EXPECT_EQ(a.b.sue, 9);
  EXPECT_EQ(platform.windowTitle.rfind("Sudoku", 0), 0u);
}

TEST_F(Commands, OpenCommandTakesTheVariantFromTheName) {
  App& a = startSudoku();
  fs::create_directories(dir / "Jeux");
  const std::string text = puzzleText(test::zeros(), Clue{});
  struct Case {
    const char* name;
    int start, expected;
  } cases[] = {{"quincunx12.jeu", 1, 0}, {"sudoku_3.jeu", 0, 1}, {"Sudoku.jeu", 0, 0}, {"grille.jeu", 1, 1}};
  for (const Case& k : cases) {
    std::ofstream(dir / "Jeux" / k.name) << text;
    a.b.setVariant(k.start);
    platform.nextFile = (dir / "Jeux" / k.name).string();
    a.WndProc(kMsgKeyDown, kVkF3, 0);
    EXPECT_EQ(a.b.su, k.expected) << k.name;
    EXPECT_EQ(a.m.fen, 0);
    EXPECT_EQ(a.nxa, 1);
  }
  EXPECT_EQ(platform.dialogDirs.back(), dir.string() + "/Jeux");  // no ./Jeux here

  // Cancelled: the board stays, the cell resets.
  a.b.tab1[2][2] = '4';
  platform.nextFile.reset();
  moveTo(5, 5);
  a.WndProc(kMsgKeyDown, kVkF3, 0);
  EXPECT_EQ(a.b.tab1[2][2], '4');
  EXPECT_EQ(a.nxa, 1);

  // Unreadable, whatever stands there: an empty board and a box naming it.
  const auto bad = dir / "Jeux" / "sudoku-bad.jeu";
  platform.nextFile = bad.string();
  for (test::Hostile k : test::kHostile) {
    SCOPED_TRACE(test::nameOf(k));
    test::plant(k, bad);
    a.b.tab1[2][2] = '4';
    const std::size_t boxes = platform.boxes.size();
    a.WndProc(kMsgKeyDown, kVkF3, 0);
    EXPECT_EQ(a.b.tab1[2][2], '0');
    ASSERT_EQ(platform.boxes.size(), boxes + 1);
    EXPECT_NE(platform.boxes.back().text.find(bad.string()), std::string::npos);
  }
}

// Givens that break a rule on a full board leave the methods nothing to do;
// the start-up solve and the solution button still call them erroneous.
TEST_F(Commands, AFullBoardThatBreaksARuleIsErroneous) {
  const std::string solution = test::loadSet("sudoku-easy")[2].solution;
  std::string rowTwice = solution;
  rowTwice[0] = rowTwice[1];
  for (const std::string& board : {std::string(81, '1'), rowTwice, solution}) {
    SCOPED_TRACE(board);
    save(test::sudokuBoard(board), Clue{}, Settings{});
    platform.boxes.clear();
    App& a = start();
    a.WndProc(kMsgTimer, timer::kStartUp, 0);
    const bool broken = board != solution;
    ASSERT_EQ(platform.boxes.size(), broken ? 1u : 0u);
    if (broken) {
      EXPECT_EQ(platform.boxes.back().text, "Données erronées");
    }
    click(button::kSolution);  // after its box
    ASSERT_EQ(platform.boxes.size(), broken ? 3u : 1u);
    if (broken) {
      EXPECT_EQ(platform.boxes.back().text, "Données erronées");
    }
  }
}

TEST_F(Commands, RecordAndLanguageSaveTheState) {
  App& a = startSudoku();
  const Point e = emptyCell();
  moveTo(e.x, e.y);
  type('9');
  click(button::kRecord);
  EXPECT_TRUE(fs::exists(dir / "quincunj.jeu"));
  Grid placed;
  lecturf(dir.string(), placed);
  EXPECT_EQ(placed[e.y][e.x], '9');

  const std::size_t boxes = platform.boxes.size();
  click(button::kLanguage);
  EXPECT_EQ(a.m.lang, 1);
  EXPECT_EQ(platform.boxes.size(), boxes + 2);
  Settings s;
  int su;
  Grid marks;
  lecturi(dir.string(), s, su, marks);
  EXPECT_EQ(s.lang, 1);

  // A save that fails is told, and nothing is replaced.
  fs::remove(dir / "quincunm.jeu");
  fs::create_directory(dir / "quincunm.jeu");
  moveTo(e.x, e.y);
  type('8');
  click(button::kRecord);
  EXPECT_EQ(platform.boxes.size(), boxes + 4);
  EXPECT_NE(platform.boxes.back().text.find("quincunm.jeu"), std::string::npos);
  EXPECT_NE(platform.boxes.back().text.find("previous record is kept"), std::string::npos);
  lecturf(dir.string(), placed);
  EXPECT_EQ(placed[e.y][e.x], '9');
}

TEST_F(Commands, InstalledStateLivesApartFromTheShippedData) {
  // Shipped data in one folder, the user's state in another.
  const fs::path data = dir / "share", state = dir / "home";
  fs::create_directories(data / "Jeux");
  fs::create_directories(state);
  for (const char* name : {"quincunn.jeu", "quincuno.jeu"}) fs::copy_file(dir / name, data / name);
  std::ofstream(data / "quincunx-fr.chm") << "";
  const auto set = test::loadSet("sudoku-easy");
  const Board saved = test::sudokuBoard(set[0].puzzle);
  ASSERT_TRUE(saveState(state.string(), saved, Clue{}, Settings{}).ok);
  platform.screen = {1280, 1024};
  app = std::make_unique<App>(platform, data.string(), state.string());
  App& a = *app;
  a.startUp();
  a.WndProc(kMsgTimer, timer::kStartUp, 0);
  EXPECT_TRUE(a.b.tab1 == saved.tab1);

  click(button::kRecord);
  for (const char* name : {"quincunx.jeu", "quincunj.jeu", "quincunk.jeu", "quincunl.jeu", "quincunm.jeu"}) {
    EXPECT_TRUE(fs::exists(state / name)) << name;
    EXPECT_FALSE(fs::exists(data / name)) << name;
  }

  // F3: the shipped Jeux, until the user has one of their own.
  platform.nextFile.reset();
  a.WndProc(kMsgKeyDown, kVkF3, 0);
  EXPECT_EQ(platform.dialogDirs.back(), (data / "Jeux").string());
  fs::create_directories(state / "Jeux");
  a.WndProc(kMsgKeyDown, kVkF3, 0);
  EXPECT_EQ(platform.dialogDirs.back(), (state / "Jeux").string());

  // Help: the shipped help file, to whatever viewer the PATH offers.
  fs::create_directories(dir / "bin");
  makeExecutable(dir / "bin" / "xdg-open");
  {
    const test::ScopedEnv onlyThese("PATH", (dir / "bin").string());
    click(button::kHelp);
  }
  ASSERT_FALSE(platform.started.empty());
  EXPECT_EQ(platform.started.back().second.back(), (data / "quincunx-fr.chm").string());
  click(button::kGame);  // the other game's default puzzle, which only the data folder holds
  Grid quincunx = test::zeros();
  Clue c;
  ASSERT_TRUE(lecture((data / "quincunn.jeu").string(), quincunx, c));
  EXPECT_EQ(a.b.su, 0);
  EXPECT_TRUE(a.b.tab1 == quincunx);
}

TEST_F(Commands, AFolderThatCannotKeepGamesSaysSoShowsTheFirstPuzzleAndClaimsNoRecord) {
  const fs::path data = dir / "share", first = data / "state", state = dir / "home";
  fs::create_directories(first);
  fs::copy_file(fs::path(QX_DATA_DIR) / "state" / kPuzzleFile, first / kPuzzleFile);
  Grid shipped = test::zeros();
  Clue c;
  ASSERT_TRUE(lecture((first / kPuzzleFile).string(), shipped, c));
  platform.screen = {1280, 1024};
  // Without the folder's lock nothing is saved; with it (a seed that found
  // the disk full) a Record tries again, and keeps the game once it can.
  for (bool locked : {false, true}) {
    SCOPED_TRACE(locked);
    fs::create_directories(state);
    platform.boxes.clear();
    app = std::make_unique<App>(platform, data.string(), state.string());
    app->stateFolderUnusable(first.string(), state.string() + ": " + reason(locked ? ENOSPC : ENOTDIR), locked, 0);
    app->startUp();
    app->reportIgnored();
    EXPECT_TRUE(app->b.tab1 == shipped);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, gamesCannotBeKept(state.string(), state.string() + ": " +
                                                        reason(locked ? ENOSPC : ENOTDIR), 0).text);
    EXPECT_NE(platform.boxes[0].text.find(locked ? "Aucun espace" : "N'est pas un dossier"), std::string::npos);
    click(button::kRecord);  // its explanation box, then a box only when the save failed
    EXPECT_EQ(fs::is_regular_file(state / kPuzzleFile), locked);
    ASSERT_EQ(platform.boxes.size(), locked ? 2u : 3u);
    if (!locked) {
      EXPECT_TRUE(platform.boxes[2].text.starts_with("L'état n'a pas pu être enregistré.\n")) << platform.boxes[2].text;
    }
  }

  // A folder in the journal's place: told at the start, set aside by the next Record, which goes on.
  fs::create_directory(state / kJournalFile);
  platform.boxes.clear();
  app = std::make_unique<App>(platform, data.string(), state.string());
  app->startUp();
  app->reportIgnored();
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_NE(platform.boxes[0].text.find(kJournalFile), std::string::npos);
  click(button::kRecord);
  EXPECT_EQ(platform.boxes.size(), 2u);
  EXPECT_TRUE(fs::is_directory(state / (std::string(kJournalFile) + ".bad")));
  EXPECT_FALSE(fs::exists(state / kJournalFile));
}

// The help button: the first viewer that starts gets the help file of the
// current language; when none starts, a box says so in that language.
TEST_F(Commands, HelpStartsTheFirstViewerThatStarts) {
  struct Case {
    const char* name;
    int lang;
    bool besideExe;                       // quincunx-help beside the executable
    std::vector<const char*> onPath;      // viewers on the PATH
    std::vector<const char*> failing;     // viewers whose start fails
    std::vector<const char*> tried;
    bool box;
  };
  // Which viewers are found, and in which order, is the launcher's own test.
  const Case cases[] = {
      {"a failed start falls back", 1, true, {"kchmviewer", "xdg-open"}, {"quincunx-help", "kchmviewer"},
       {"quincunx-help", "path/kchmviewer", "path/xdg-open"}, false},
      {"none starts", 0, false, {"xchm"}, {"xchm"}, {"path/xchm"}, true},
      {"none found", 1, false, {}, {}, {}, true},
  };
  App& a = startSudoku();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / "path";
    fs::remove_all(path);
    fs::remove(dir / "quincunx-help");
    fs::create_directories(path);
    if (c.besideExe) makeExecutable(dir / "quincunx-help");
    for (const char* v : c.onPath) makeExecutable(path / v);
    for (const char* helpFile : {"quincunx-fr.chm", "quincunx-en.chm"}) std::ofstream(dir / helpFile) << "x";
    platform.unstartable.clear();
    for (const char* f : c.failing)
      platform.unstartable.insert((std::string_view(f) == "quincunx-help" ? dir / f : path / f).string());
    platform.started.clear();
    const std::size_t boxes = platform.boxes.size();
    a.m.lang = c.lang;
    {
      const test::ScopedEnv onlyThese("PATH", path.string());
      click(button::kHelp);
    }

    const std::string helpFile = (dir / (c.lang == 1 ? "quincunx-en.chm" : "quincunx-fr.chm")).string();
    ASSERT_EQ(platform.started.size(), c.tried.size());
    for (std::size_t i = 0; i < c.tried.size(); ++i) {
      EXPECT_EQ(platform.started[i].first, (dir / c.tried[i]).string());
      EXPECT_EQ(platform.started[i].second, std::vector<std::string>{helpFile});
    }
    ASSERT_EQ(platform.boxes.size(), boxes + (c.box ? 1 : 0));
    if (c.box) {
      EXPECT_EQ(platform.boxes.back().text, helpViewerMissing(helpFile, c.lang).text);
    }
  }

  // A missing help file keeps its own box, and nothing is started.
  fs::remove(dir / "quincunx-en.chm");
  a.m.lang = 1;
  platform.started.clear();
  click(button::kHelp);
  EXPECT_TRUE(platform.started.empty());
  EXPECT_EQ(platform.boxes.back().text, a.texts.text(Text::kHelpFileMissing, 1));
}

TEST_F(Commands, CandidatesShowAfterTheBoxHideAtOnce) {
  App& a = startSudoku();
  a.m.candet = 1;
  click(button::kCandidate);
  EXPECT_EQ(a.m.cand, 1);
  EXPECT_EQ(a.m.candet, 0);
  const std::size_t boxes = platform.boxes.size();
  click(button::kCandidate);
  EXPECT_EQ(a.m.cand, 0);
  EXPECT_EQ(platform.boxes.size(), boxes);
  click(button::kError);
  EXPECT_EQ(a.m.er, 1);
}

TEST_F(Commands, SolutionAndPartial) {
  App& a = startSudoku(8);
  click(button::kPartial);
  EXPECT_EQ(test::grid1(a.b), puzzle.solution);  // singles are enough here
  click(button::kReplay);
  EXPECT_EQ(test::grid1(a.b), puzzle.puzzle);
  click(button::kSolution);
  EXPECT_EQ(test::grid1(a.b), puzzle.solution);
}

TEST_F(Commands, ClosingTheWindowDuringASolveStopsIt) {
  const auto set = test::loadSet("sudoku-hard");
  save(test::sudokuBoard(set[3].puzzle), Clue{}, Settings{});
  App& a = start();
  a.WndProc(kMsgTimer, timer::kStartUp, 0);
  a.b.tab6[1][1] = 's';
  platform.pumps = 0;
  platform.closeAtPump = 3;  // inside the first two-candidate trials
  click(button::kSolution);
  EXPECT_EQ(a.m.termine, 1);
  EXPECT_TRUE(platform.quitCalled);
  EXPECT_EQ(a.b.tab6[1][1], 's');
  EXPECT_EQ(platform.pumps, 3);
}

// The clock counts in data entry and test mode alike; other timers do nothing.
TEST_F(Commands, ClockCountsInEveryMode) {
  App& a = startSudoku();
  click(button::kData);
  click(button::kMode);
  for (int i = 0; i < 61; ++i) a.WndProc(kMsgTimer, timer::kClock, 0);
  a.WndProc(kMsgTimer, 7, 0);
  EXPECT_EQ(a.m.nTimer, 61);
}

// Installed, the shipped Jeux is read-only and apart from the user's: a new
// puzzle goes into the user's, numbered after both, made away from the
// window; a Jeux that cannot be written is said and nothing opens.
TEST_F(Commands, NewPuzzleGoesIntoTheUsersJeuxAfterTheShippedNumbers) {
  const fs::path shipped = dir / "share", user = dir / "state";
  fs::create_directories(shipped / "Jeux");
  fs::create_directories(user / "Jeux");
  std::ofstream(shipped / "Jeux" / "sudoku-logic-10.jeu") << "";
  std::ofstream(user / "Jeux" / "sudoku-logic-3.jeu") << "";
  std::ofstream(user / "Jeux" / "quincunx-deep-x.jeu") << "";
  App a(platform, shipped.string(), user.string());
  a.startUp();
  struct Case {
    int su, rating;
    std::string written;  // empty: refused
  };
  const Case cases[] = {
      {1, 1, "sudoku-logic-11.jeu"},
      {1, 1, "sudoku-logic-12.jeu"},
      {0, 3, "quincunx-deep-1.jeu"},
  };
  for (const Case& t : cases) {
    const int asides = platform.asides;
    const std::string path = a.newPuzzle(t.su, t.rating);
    EXPECT_EQ(path, (user / "Jeux" / t.written).string());
    EXPECT_EQ(platform.asides, asides + 1);
    EXPECT_EQ(a.b.su, t.su);
  }
  fs::remove_all(user / "Jeux");
  std::ofstream(user / "Jeux") << "";  // a file where the folder should be
  const std::size_t boxes = platform.boxes.size();
  EXPECT_EQ(a.newPuzzle(1, 0), "");
  ASSERT_EQ(platform.boxes.size(), boxes + 1);
  EXPECT_EQ(platform.boxes.back().title, a.texts.text(Text::kNewTitle, 0));
}

}  // namespace
}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// quincunx-solve's command line and its report format.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/puzzle_file.h"
#include "tests/support/hostile.h"
#include "tests/support/puzzles.h"
#include "tests/tools/cli_fixture.h"
#include "tools/solve/solve_cli.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

using SolveCli = test::CliTest<runSolveCli>;

// The grid block (27 lines of 28 characters) starting at text[at].
Grid blockAt(const std::string& text, std::size_t at) {
  Grid g = test::zeros();
  TextReader in(text.substr(at, 27 * 28));
  readGridBlock(in, g);
  return g;
}

TEST_F(SolveCli, ReportsASudokuFileWithItsClue) {
  const auto set = test::loadSet("sudoku-easy");
  Board b = test::sudokuBoard(set[5].puzzle);
  int k = 0;
  while (set[5].puzzle[k] != '.') ++k;
  const Clue clue{1, k / 9 + 1, k % 9 + 1, set[5].solution[k]};
  const auto path = write("sudoku-5.jeu", puzzleText(b.tab1, clue));

  ASSERT_EQ(run({path}), 0) << err.str();
  const int open = static_cast<int>(std::count(set[5].puzzle.begin(), set[5].puzzle.end(), '.'));
  const std::string head =
      "file: " + path + "\nvariant: sudoku\nresult: solved\nplaced: " + std::to_string(open) + "\n";
  ASSERT_EQ(out.str().substr(0, head.size()), head);
  const Grid shown = blockAt(out.str(), head.size());
  for (int i = 0; i < 81; ++i) EXPECT_EQ(shown[i / 9 + 1][i % 9 + 1], set[5].solution[i]);
  EXPECT_EQ(shown[12][12], '0');
  EXPECT_EQ(out.str().substr(head.size() + 27 * 28), "\n");  // an empty line ends the report
}

TEST_F(SolveCli, VariantFromNameOrOption) {
  Board b;
  b.tab1 = test::fullQuincunx(5);
  b.tab1[20][20] = '0';
  const auto q = write("quincunx-a.jeu", puzzleText(b.tab1, Clue{}));
  const auto other = write("grille.jeu", puzzleText(b.tab1, Clue{}));
  ASSERT_EQ(run({q, other}), 0);
  EXPECT_NE(out.str().find("variant: quincunx\nresult: solved\nplaced: 1\n"), std::string::npos);
  EXPECT_EQ(out.str().find("sudoku"), std::string::npos);
  ASSERT_EQ(run({"--variant", "sudoku", q}), 0);
  EXPECT_NE(out.str().find("variant: sudoku\nresult: solved\nplaced: 0\n"), std::string::npos);
}

TEST_F(SolveCli, LinesModeAndItsBadLines) {
  const auto set = test::loadSet("sudoku-hard");
  std::string bad = set[0].puzzle;
  bad[3] = 'x';
  const auto path = write("set.txt", set[0].puzzle + "\r\n" + bad + "\nshort\n" +
                                         std::string(81, '0') + "\n");
  EXPECT_EQ(run({"--mode", "obvious", "--lines", path}), 1);
  EXPECT_NE(out.str().find("file: " + path + ":1\nvariant: sudoku\nresult: obvious\n"),
            std::string::npos);
  EXPECT_NE(out.str().find("file: " + path + ":4\n"), std::string::npos);
  EXPECT_EQ(out.str().find(":2\n"), std::string::npos);
  EXPECT_NE(err.str().find(path + ":2:"), std::string::npos);
  EXPECT_NE(err.str().find(path + ":3:"), std::string::npos);
}

TEST_F(SolveCli, EndingsAndStatuses) {
  Board b;
  b.setVariant(1);
  for (int c = 2; c <= 9; ++c) b.tab1[1][c] = static_cast<char>('0' + c - 1);
  b.tab1[5][1] = '9';
  const auto wrong = write("sudoku-wrong.jeu", puzzleText(b.tab1, Clue{}));
  const auto empty = write("sudoku-empty.jeu", "0\n");
  EXPECT_EQ(run({wrong, (dir / "missing.jeu").string(), empty}), 1);
  EXPECT_NE(out.str().find("result: erroneous"), std::string::npos);
  EXPECT_NE(out.str().find("result: incomplete"), std::string::npos);
  EXPECT_NE(err.str().find("missing.jeu"), std::string::npos);
}

// Each usage error says why, then the usage, with status 2; F stands for a
// puzzle file.
TEST_F(SolveCli, UsageErrorsSayWhy) {
  const auto file = write("quincunx-empty.jeu", "0\n");
  const char* jobs = "--jobs takes a number from 1 to 1024";
  const char* seed = "--permute takes a seed from 0 to 4294967295";
  const char* permuteAlone = "--permute goes with neither --lines, --mode, --first, --complete, --count nor --jobs";
  const struct {
    std::vector<std::string> args;
    const char* why;
  } cases[] = {
      {{}, "no puzzle file given"},
      {{"--mode", "loud", "F"}, "--mode takes silent or obvious"},
      {{"--variant"}, "--variant takes quincunx or sudoku"},
      {{"--bogus", "F"}, "unknown option --bogus"},
      {{"--lines", "F", "F"}, "--lines reads exactly one file"},
      {{"--variant", "quincunx", "--lines", "F"}, "--lines holds classic Sudoku only"},
      {{"--complete", "--mode", "silent", "F"}, "--first, --complete and --count go without --mode"},
      {{"--first", "--count", "F"}, "--first, --complete and --count go one at a time"},
      {{"--count", "--permute", "3", "F"}, permuteAlone},
      {{"--permute", "3", "--lines", "F"}, permuteAlone},
      {{"--jobs", "2", "--permute", "3", "F"}, permuteAlone},
      {{"--jobs=0", "F"}, jobs},
      {{"--jobs", "1025", "F"}, jobs},
      {{"--permute", "4294967296", "F"}, seed},
      {{"--permute", "+5", "F"}, seed},
      {{"--permute", "0x10", "F"}, seed},
      {{"--permute"}, seed},
      {{"--permute", "3", "F", "F"}, "--permute reads exactly one file"},
      {{"--permute", "3", "--permute", "4", "F"}, "--permute is given once"},
      {{"--solutions", "F"}, "--solutions needs --pdf"},
      {{"--pdf=", "F"}, "--pdf takes a file"},
      {{"--pdf", "a.pdf", "--lines", "F"},
       "--pdf goes with neither --lines, --mode, --first, --complete, --count nor --permute"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    for (auto& a : args)
      if (a == "F") a = file;
    EXPECT_EQ(run(args), 2) << c.why;
    const std::string head = "quincunx-solve: " + std::string(c.why) + "\nusage: quincunx-solve [";
    EXPECT_EQ(err.str().rfind(head, 0), 0u) << err.str();
    EXPECT_EQ(out.str(), "");
  }
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(out.str().find("--permute SEED FILE"), std::string::npos);
}

// --complete finishes what the written method leaves, tells a second
// solution apart and reports contradictory givens; --count says the same
// in one line per puzzle.
TEST_F(SolveCli, CompleteSolvesCountsAndRefuses) {
  const auto set = test::loadSet("sudoku-hard");
  std::size_t stuck = 0;  // a puzzle the written method leaves incomplete
  for (std::size_t i = 0; i < set.size() && !stuck; ++i) {
    ASSERT_EQ(run({"--lines", write("one.txt", set[i].puzzle + "\n")}), 0);
    if (out.str().find("result: incomplete") != std::string::npos) stuck = i;
  }
  ASSERT_NE(stuck, 0u);
  const std::string open = set[1].solution.substr(0, 30) + std::string(51, '.');  // far too open
  std::string clash = set[2].puzzle;
  clash[clash.find('.')] = clash[clash.find_first_of("123456789")];
  const auto path = write("set.txt", set[stuck].puzzle + "\n" + open + "\n" + clash + "\n");

  struct Case {
    int line;
    const char* head;
  } cases[] = {{1, "result: solved\nunique: yes\nplaced: "},
               {2, "result: solved\nunique: no\nplaced: 51\n"},
               {3, "result: no-solution\nplaced: 0\n"}};
  ASSERT_EQ(run({"--complete", "--lines", path}), 0) << err.str();
  const std::string text = out.str();
  for (const auto& c : cases)
    EXPECT_NE(text.find(path + ":" + std::to_string(c.line) + "\nvariant: sudoku\n" + c.head),
              std::string::npos) << c.line;
  // The first block shows the known solution.
  const Grid shown = blockAt(text, text.find('\n', text.find("placed: ")) + 1);
  for (int i = 0; i < 81; ++i) ASSERT_EQ(shown[i / 9 + 1][i % 9 + 1], set[stuck].solution[i]) << i;

  ASSERT_EQ(run({"--count", "--lines", path}), 0);
  EXPECT_EQ(out.str(), path + ":1: solutions 1\n" + path + ":2: solutions 2\n" + path + ":3: solutions 0\n");

  // A line and a file of the same puzzle get the same report; --first the
  // same without the word on uniqueness.
  const auto file = write("sudoku-s.jeu", puzzleText(test::sudokuBoard(set[stuck].puzzle).tab1, Clue{}));
  const std::string lineReport = text.substr(text.find('\n') + 1, text.find("file:", 1) - text.find('\n') - 1);
  ASSERT_EQ(run({"--complete", file}), 0);
  EXPECT_EQ(out.str(), "file: " + file + "\n" + lineReport);
  std::string firstReport = lineReport;
  firstReport.erase(firstReport.find("unique: yes\n"), 12);
  for (const auto& args : {std::vector<std::string>{"--first", file}, {"--first", "--lines", path}}) {
    ASSERT_EQ(run(args), 0);
    EXPECT_EQ(out.str().substr(out.str().find('\n') + 1, firstReport.size()), firstReport) << args[1];
  }
  // The open line's first solution keeps its givens and breaks no rule.
  const std::string second = out.str().substr(out.str().find(path + ":2\n"));
  ASSERT_EQ(second.find("variant: sudoku\nresult: solved\nplaced: 51\n"), path.size() + 3);
  Board opened;
  opened.setVariant(1);
  opened.tab2 = blockAt(second, second.find("placed: 51\n") + 11);
  EXPECT_TRUE(test::isSolved(opened));
  EXPECT_EQ(std::string(&opened.tab2[1][1], 9) + std::string(&opened.tab2[2][1], 9) +
                std::string(&opened.tab2[3][1], 9) + std::string(&opened.tab2[4][1], 3),
            open.substr(0, 30));

  // A Quincunx file's hidden clue counts as a given.
  Board b;
  b.tab1 = test::fullQuincunx(3);
  const char kept = b.tab1[20][20];
  b.tab1[20][20] = b.tab1[4][4] = '0';
  const auto q = write("quincunx-c.jeu", puzzleText(b.tab1, Clue{1, 20, 20, kept}));
  const auto wrong = write("quincunx-w.jeu", puzzleText(b.tab1, Clue{1, 20, 20, kept == '1' ? '2' : '1'}));
  ASSERT_EQ(run({"--count", q, wrong}), 0);
  EXPECT_EQ(out.str(), q + ": solutions 1\n" + wrong + ": solutions 0\n");

}

// Any number of threads prints what one thread prints, errors and status included.
TEST_F(SolveCli, JobsKeepTheOrderAndTheOutputOfOneThread) {
  const auto set = test::loadSet("sudoku-hard");
  std::string lines;
  for (int i = 0; i < 40; ++i) lines += (i == 17 ? std::string("short") : set[i].puzzle) + "\n";
  const auto path = write("many.txt", lines);
  std::vector<std::string> files;
  for (int i = 0; i < 6; ++i)
    files.push_back(write("sudoku-" + std::to_string(i) + ".jeu",
                          puzzleText(test::sudokuBoard(set[40 + i].puzzle).tab1, Clue{})));
  files.insert(files.begin() + 3, (dir / "missing.jeu").string());

  const std::vector<std::vector<std::string>> runs = {
      {"--lines", path}, {"--complete", "--lines", path}, {"--count", "--lines", path}, {"--first", "--lines", path},
      {"--mode", "obvious", "--lines", path}, files};
  for (const auto& args : runs) {
    auto with = [&](const char* jobs) {
      std::vector<std::string> a = {"--jobs", jobs};
      a.insert(a.end(), args.begin(), args.end());
      const int status = run(a);
      return std::to_string(status) + "\n" + out.str() + "\n" + err.str();
    };
    const std::string one = with("1");
    EXPECT_EQ(one[0], '1');  // the short line or the missing file
    EXPECT_EQ(with("3"), one) << args[0];
    EXPECT_EQ(with("16"), one) << args[0];
  }
}

// Full boards whose givens break a rule were "solved": every method finds
// nothing to do on them.
TEST_F(SolveCli, AFinalBoardThatBreaksARuleIsErroneous) {
  const std::string solution = test::loadSet("sudoku-easy")[3].solution;
  std::string allOnes(81, '1'), swapped = solution, rowTwice = solution;
  std::swap(swapped[0], swapped[1]);  // the columns and domains go wrong
  rowTwice[0] = rowTwice[1];          // a digit twice in row 1
  for (const std::string& board : {allOnes, swapped, rowTwice, solution}) {
    const auto path = write("sudoku-full.jeu", puzzleText(test::sudokuBoard(board).tab1, Clue{}));
    ASSERT_EQ(run({path}), 0) << err.str();
    EXPECT_NE(out.str().find(board == solution ? "result: solved" : "result: erroneous"),
              std::string::npos) << board;
  }
}

// Whatever stands in place of a puzzle: which file, why, status 1, at once.
TEST_F(SolveCli, AnythingButAPuzzleFileIsCannotRead) {
  const auto path = dir / "sudoku-1.jeu";
  for (test::Hostile k : test::kHostile) {
    SCOPED_TRACE(test::nameOf(k));
    test::plant(k, path);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{path.string()}, {"--lines", path.string()}, {"--permute", "5", path.string()}}) {
      EXPECT_EQ(run(args), 1);
      // A big file of lines is a file of lines, all of them bad.
      const bool lines = args[0] == "--lines" && k == test::Hostile::big;
      EXPECT_EQ(err.str().rfind("quincunx-solve: " + std::string(lines ? "" : "cannot read ") + path.string(), 0), 0u)
          << err.str();
      EXPECT_EQ(out.str(), "");
    }
  }
}

// --permute: tab1's grid block, an empty line, tab6's (the solver's board,
// '0' at every given), an empty line and the clue.
TEST_F(SolveCli, PermuteReportsBothBoardsAndTheClue) {
  const auto set = test::loadSet("sudoku-easy");
  const int k = static_cast<int>(set[2].puzzle.find('.'));
  const Clue given{1, k / 9 + 1, k % 9 + 1, set[2].solution[k]};
  const auto path = write("sudoku-2.jeu", puzzleText(test::sudokuBoard(set[2].puzzle).tab1, given));

  ASSERT_EQ(run({"--permute", "4294967295", path}), 0) << err.str();
  const std::string text = out.str();
  const std::size_t block = 27 * 28, clueAt = 2 * block + 2;
  ASSERT_GT(text.size(), clueAt) << text;
  EXPECT_EQ(text.substr(block, 1) + text.substr(2 * block + 1, 1), "\n\n");
  Board after;
  after.setVariant(1);
  after.tab1 = blockAt(text, 0);
  after.tab2 = blockAt(text, block + 1);
  EXPECT_TRUE(test::isSolved(after));
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c)
      EXPECT_NE(isDigit(after.tab1[r][c]), isDigit(after.tab2[r][c])) << r << "," << c;
  int ne = 0, ie = 0, je = 0;
  char ce = 0;
  ASSERT_EQ(std::sscanf(text.c_str() + clueAt, "clue: %d %d %d %c\n", &ne, &ie, &je, &ce), 4);
  EXPECT_EQ(text.find('\n', clueAt), text.size() - 1);
  ASSERT_TRUE(ne == 1 && ie >= 1 && ie <= 9 && je >= 1 && je <= 9);
  EXPECT_EQ(after.tab2[ie][je], ce);

  ASSERT_EQ(run({"--permute", "4294967295", "--variant", "sudoku", path}), 0);
  EXPECT_EQ(out.str(), text);
  ASSERT_EQ(run({"--permute", "17", path}), 0);
  EXPECT_NE(out.str(), text);
}

TEST_F(SolveCli, PermuteStatuses) {
  const auto path = write("quincunx-empty.jeu", "0\n");
  ASSERT_EQ(run({"--permute", "0", path}), 0) << err.str();
  EXPECT_EQ(out.str().find_first_not_of("0 \n"), out.str().size() - 14);
  EXPECT_TRUE(out.str().ends_with("\n\nclue: 0 1 2 3\n"));
  EXPECT_EQ(run({"--permute", "7", (dir / "missing.jeu").string()}), 1);
  EXPECT_NE(err.str().find("missing.jeu"), std::string::npos);
}

}  // namespace
}  // namespace qx

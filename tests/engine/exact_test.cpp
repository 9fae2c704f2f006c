// SPDX-License-Identifier: GPL-3.0-or-later
// The complete solver: the known solutions of the public sets, agreement
// with the written method wherever that method finishes, counts checked by
// the plain counter of the test support or by independent corners, and the
// rules of the shared domains.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "engine/exact.h"
#include "tests/support/puzzles.h"

namespace qx {
namespace {

using test::zeros;

// Each public puzzle has its known solution as its one and only. The written
// method, on those and on the shipped puzzles of both variants, places only
// that solution's digits, fills the easy set whole and never ends in
// "Erroneous data" on a puzzle that has a solution.
TEST(ExactSolver, FindsTheKnownSolutionsAndAgreesWithTheWrittenMethod) {
  struct Start {
    std::string set;  // the public set, or "shipped"
    Board board;
    std::string known;  // a public puzzle's solution
  };
  std::vector<Start> starts;
  for (const char* set : {"sudoku-easy", "sudoku-hard"})
    for (const auto& p : test::loadSet(set)) starts.push_back({set, test::sudokuBoard(p.puzzle), p.solution});
  for (const auto& p : test::shippedPuzzles()) starts.push_back({"shipped", p.board, ""});
  std::map<std::string, int> finished, unfinished;
  for (const auto& [set, start, known] : starts) {
    SCOPED_TRACE(set + " " + test::grid1(start));
    Grid exact;
    ASSERT_EQ(ExactSolver(start.sud).count(givensOf(start), 2, &exact), 1);
    if (!known.empty()) {
      Board found = start;
      found.tab1 = exact;
      ASSERT_EQ(test::grid1(found), known);
    }
    Board b = start;
    FailureRecorder host;
    Engine(b, host).solution(kSilent);
    EXPECT_NE(host.box, kTextErroneous);
    EXPECT_TRUE(b.tab6 == b.tab2);
    if (host.box == 0) {
      EXPECT_TRUE(test::isSolved(b));
    }
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (inSubGrid(r, c, b.sud) && (host.box == 0 || test::valueAt(b, r, c) != '0')) {
          ASSERT_EQ(test::valueAt(b, r, c), exact[r][c]) << r << "," << c;
        }
    ++(host.box == 0 ? finished : unfinished)[set + (b.su == 0 ? " quincunx" : "")];
  }
  EXPECT_EQ(finished["sudoku-easy"], 1000);
  EXPECT_GT(finished["shipped quincunx"], 20);
  EXPECT_GT(unfinished["sudoku-hard"], 0);  // the hard set holds puzzles the written method leaves
}

// Boards from nearly full to far too open, some with a given changed, each
// counted by the plain counter as well.
TEST(ExactSolver, CountsAsThePlainCounterOnQuincunxAndSudokuBoards) {
  std::map<int, int> seen;
  for (int i = 0; i < 60; ++i) {
    const int sud = i % 3 == 0 ? 1 : 5;
    ExactSolver solver(sud);
    const auto& f = solver.field();
    std::mt19937 rng(i);
    Grid g = i % 2 ? solver.randomFull(rng) : test::fullQuincunx(i);
    std::vector<int> cells(f.cells());
    for (int x = 0; x < f.cells(); ++x) cells[x] = x;
    std::shuffle(cells.begin(), cells.end(), rng);
    const int holes = sud == 5 ? 80 + 2 * i : 35 + i / 3;
    for (int k = 0; k < holes; ++k) g[f.row(cells[k])][f.col(cells[k])] = '0';
    if (i % 4 == 1) {  // another digit in a given, one its units do not hold yet
      const int x = cells[holes];
      const int r = f.row(x), c = f.col(x);
      for (char d = '1'; d <= '9'; ++d) {
        bool free = d != g[r][c];
        for (int p : f.peers(x)) free = free && g[f.row(p)][f.col(p)] != d;
        if (free) {
          g[r][c] = d;
          break;
        }
      }
    }
    const int expected = test::countSolutions(g, sud, 3);
    Grid first;
    EXPECT_EQ(solver.count(g, 3, &first), expected) << "board " << i;
    if (expected > 0) {  // the solution it gives keeps the givens and the rules
      Board b;
      b.setVariant(sud == 5 ? 0 : 1);
      b.tab1 = first;
      EXPECT_TRUE(test::isSolved(b)) << "board " << i;
      for (int x = 0; x < f.cells(); ++x)
        if (isDigit(g[f.row(x)][f.col(x)])) {
          EXPECT_EQ(first[f.row(x)][f.col(x)], g[f.row(x)][f.col(x)]);
        }
    }
    ++seen[expected];
  }
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[3], 0);
}

// A Sudoku searches on its own boards: its counts, with and without a digit
// kept out of a cell, against the plain counter, on boards from unique to
// far too open, some with a given changed.
TEST(ExactSolver, SudokuCountsAndExceptionsAgreeWithThePlainCounter) {
  ExactSolver solver(1);
  std::map<int, int> seen, seenExcept;
  for (int i = 0; i < 150; ++i) {
    std::mt19937 rng(1000 + i);
    const Grid full = solver.randomFull(rng);
    Grid g = full;
    std::vector<int> cells(81);
    for (int x = 0; x < 81; ++x) cells[x] = x;
    std::shuffle(cells.begin(), cells.end(), rng);
    const int holes = 40 + i % 25;
    for (int k = 0; k < holes; ++k) g[cells[k] / 9 + 1][cells[k] % 9 + 1] = '0';
    if (i % 6 == 5) g[cells[holes] / 9 + 1][cells[holes] % 9 + 1] = static_cast<char>('1' + i % 9);
    const int solutions = test::countSolutions(g, 1, 3);
    EXPECT_EQ(solver.count(g, 3), solutions) << "board " << i;
    ++seen[solutions];

    // Out of an open cell (or a given, every third board), full's digit.
    const int x = i % 3 ? cells[i % holes] : cells[holes + 1];
    const int r = x / 9 + 1, c = x % 9 + 1;
    int expected = 0;
    if (!isDigit(g[r][c])) {
      for (char d = '1'; d <= '9'; ++d) {
        if (d == full[r][c]) continue;
        Grid h = g;
        h[r][c] = d;
        expected += test::countSolutions(h, 1, 2);
      }
    } else if (g[r][c] != full[r][c]) {
      expected = test::countSolutions(g, 1, 2);
    }
    expected = std::min(expected, 2);
    EXPECT_EQ(solver.countExcept(g, r, c, full[r][c], 2, &full), expected) << "board " << i;
    ++seenExcept[expected];
  }
  EXPECT_GT(seen[0], 0);
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[3], 0);
  EXPECT_GT(seenExcept[0], 0);
  EXPECT_GT(seenExcept[2], 0);
}

// A cell of a shared domain obeys the lines and columns of both its grids;
// characters other than digits are empty cells.
TEST(ExactSolver, SharedCellsObeyBothGrids) {
  Grid g = zeros();
  const std::pair<int, int> peers[] = {{7, 1}, {7, 15}, {1, 7}, {15, 7}, {7, 2},
                                       {7, 14}, {2, 7}, {14, 7}, {8, 8}};
  char d = '1';
  for (auto [r, c] : peers) g[r][c] = d++;
  EXPECT_EQ(ExactSolver(5).count(g, 2), 0);  // (7, 7) has no digit left
  EXPECT_EQ(test::countSolutions(g, 5, 2), 0);
  EXPECT_EQ(ExactSolver(1).count(g, 2), 2);  // in grid 1 alone it keeps four digits

  Grid twice = zeros();
  twice[8][2] = twice[8][20] = '5';  // row 8 of grid 1 and of grid 2: no common unit
  twice[3][3] = ' ';
  twice[4][4] = '?';
  EXPECT_EQ(ExactSolver(5).count(twice, 2), 2);
  twice[8][14] = '5';  // in row 8 of grid 2 (and of the centre) with (8, 20)
  EXPECT_EQ(ExactSolver(5).count(twice, 2), 0);
}

// Two corners that each allow two fillings, once the rest is fixed: the
// counts multiply. countExcept finds the other filling, or proves none.
TEST(ExactSolver, IndependentCornersMultiply) {
  ExactSolver solver(5);
  const auto [full, top, bottom, left] = test::withRectangles();
  Grid g = full;
  for (auto [r, c] : top) g[r][c] = '0';
  EXPECT_EQ(solver.countExcept(g, top[0].first, top[0].second, full[top[0].first][top[0].second], 5), 1);
  for (auto [r, c] : bottom) g[r][c] = '0';
  EXPECT_EQ(solver.count(g, 10), 4);
  EXPECT_EQ(test::countSolutions(g, 5, 10), 4);

  g = full;
  for (const int x : {5, 77, 200, 301}) g[solver.field().row(x)][solver.field().col(x)] = '0';
  Grid found;
  ASSERT_EQ(solver.count(g, 2, &found), 1);
  EXPECT_TRUE(found == full);
  for (const int x : {5, 77, 200, 301}) {
    const int r = solver.field().row(x), c = solver.field().col(x);
    EXPECT_EQ(solver.countExcept(g, r, c, full[r][c], 1), 0);
  }
}

TEST(ExactSolver, RandomBoardsAreValidAndFollowTheGenerator) {
  for (const int su : {0, 1}) {
    ExactSolver solver(su == 0 ? 5 : 1);
    std::mt19937 a(11), b(11), c(12);
    const Grid first = solver.randomFull(a);
    Board board;
    board.setVariant(su);
    board.tab1 = first;
    EXPECT_TRUE(test::isSolved(board));
    EXPECT_TRUE(solver.randomFull(b) == first);
    EXPECT_FALSE(solver.randomFull(c) == first);
    EXPECT_FALSE(solver.randomFull(a) == first);
    for (int r = 1; r <= kField; ++r)
      for (int col = 1; col <= kField; ++col)
        if (!inSubGrid(r, col, su == 0 ? 5 : 1)) {
          EXPECT_EQ(first[r][col], '0');
        }
  }
}

}  // namespace
}  // namespace qx

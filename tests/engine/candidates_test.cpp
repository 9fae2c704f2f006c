// SPDX-License-Identifier: GPL-3.0-or-later
// The candidate rebuild over the five overlapping grids.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "tests/support/puzzles.h"

namespace qx {
namespace {

bool has(const Board& b, int r, int c, int d) { return b.candid[r][c][d] == '1'; }

class Candidates : public ::testing::Test {
 protected:
  Board b;
  SolverHost host;
  Engine e{b, host};
};

TEST_F(Candidates, EmptyBoardGivesNineCandidatesInTheGridsAndNoneInTheGaps) {
  e.rebuild(b.candid);
  int gaps = 0;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      const int n = countCands(b.candid, r, c);
      if (isGapCell(r, c)) {
        ++gaps;
        EXPECT_EQ(n, 0) << r << "," << c;
      } else {
        EXPECT_EQ(n, 9) << r << "," << c;
      }
    }
  EXPECT_EQ(gaps, 72);
}

TEST_F(Candidates, SharedCellReachesBothGridsButNotBeyond) {
  b.tab1[8][8] = '5';  // in grid 1 and the centre grid
  e.rebuild(b.candid);
  for (int c = 1; c <= 15; ++c)
    if (c != 8) {
      EXPECT_FALSE(has(b, 8, c, 5)) << "row 8 col " << c;
    }
  for (int r = 1; r <= 15; ++r)
    if (r != 8) {
      EXPECT_FALSE(has(b, r, 8, 5)) << "col 8 row " << r;
    }
  for (int c = 16; c <= 21; ++c) EXPECT_TRUE(has(b, 8, c, 5)) << "row 8 col " << c;
  for (int r = 16; r <= 21; ++r) EXPECT_TRUE(has(b, r, 8, 5)) << "col 8 row " << r;
  EXPECT_FALSE(has(b, 9, 9, 5));
  EXPECT_TRUE(has(b, 9, 10, 5));  // centre grid, other domain, other line and column
  EXPECT_EQ(countCands(b.candid, 8, 8), 0);
}

TEST_F(Candidates, DigitOutsideEveryGridOfTheCellDoesNotCount) {
  b.tab2[8][20] = '4';  // grid 2 only
  e.rebuild(b.candid);
  EXPECT_TRUE(has(b, 8, 8, 4));
  EXPECT_FALSE(has(b, 8, 14, 4));  // shares grid 2's line
}

TEST_F(Candidates, FilledAndOddCellsHaveNone) {
  b.tab1[1][1] = '3';
  b.tab2[1][2] = '3';  // repeats the given: still no candidate in either
  b.tab1[5][5] = 'x';  // only a damaged file brings this
  e.rebuild(b.candid);
  EXPECT_EQ(countCands(b.candid, 1, 1), 0);
  EXPECT_EQ(countCands(b.candid, 1, 2), 0);
  EXPECT_EQ(countCands(b.candid, 5, 5), 0);
}

TEST_F(Candidates, CellWithEveryDigitInItsUnitsHasNone) {
  for (int c = 2; c <= 9; ++c) b.tab1[1][c] = static_cast<char>('0' + c - 1);
  b.tab1[5][1] = '9';
  e.rebuild(b.candid);
  EXPECT_EQ(countCands(b.candid, 1, 1), 0);
}

// In a Sudoku, grid 1 gets exactly the candidates of a plain 9x9 Sudoku, and
// the cells of the other grids keep at least six so that no single appears there.
TEST_F(Candidates, SudokuCandidatesMatchAPlainSudoku) {
  const auto set = test::loadSet("sudoku-hard");
  for (int p = 0; p < 20; ++p) {
    b = test::sudokuBoard(set[p].puzzle);
    e.rebuild(b.candid);
    for (int r = 1; r <= 9; ++r)
      for (int c = 1; c <= 9; ++c)
        for (int d = 1; d <= 9; ++d) {
          bool free = b.tab1[r][c] == '0';
          for (int x = 1; x <= 9; ++x)
            free = free && b.tab1[r][x] != '0' + d && b.tab1[x][c] != '0' + d;
          const int br = (r - 1) / 3 * 3, bc = (c - 1) / 3 * 3;
          for (int y = 1; y <= 3; ++y)
            for (int x = 1; x <= 3; ++x) free = free && b.tab1[br + y][bc + x] != '0' + d;
          ASSERT_EQ(has(b, r, c, d), free) << p << ": " << r << "," << c << " digit " << d;
        }
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (!inSubGrid(r, c, 1) && !isGapCell(r, c)) {
          ASSERT_GE(countCands(b.candid, r, c), 6);
        }
  }
}

}  // namespace
}  // namespace qx

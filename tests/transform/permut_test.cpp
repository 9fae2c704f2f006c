// SPDX-License-Identifier: GPL-3.0-or-later
// The generator and the permutation of a puzzle.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/puzzles.h"
#include "transform/permut.h"

namespace qx {
namespace {

TEST(Random, DrawsOfKnownSeeds) {
  // alea 0 -> 147 -> 147*131565+147 = 19340202: both give 0 and are drawn again;
  // then 1873037045 / 429496730 = 4, 2370217572 -> 5, 1574334247 -> 3.
  Permuter p;
  EXPECT_EQ(p.tirage(), 4);
  EXPECT_EQ(p.alea, 1873037045u);
  EXPECT_EQ(p.tirage(), 5);
  EXPECT_EQ(p.tirage(), 3);
  // 4294967295 * 131565 + 147 = 2^32 - 131418 = 4294835878 -> 9, the largest draw.
  p.alea = 4294967295u;
  EXPECT_EQ(p.tirage(), 9);
  EXPECT_EQ(p.alea, 4294835878u);
}

// The solver's view of a puzzle: tab6 holds the solution except at the
// givens, where it holds '0'. Gap cells of tab1 hold the blank of data entry.
void quincunxPuzzle(unsigned k, Board& b, Clue& clue) {
  const Grid full = test::fullQuincunx(k);
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      if (isGapCell(r, c)) b.tab1[r][c] = ' ';
      else ((r * 7 + c * 3 + k) % 5 < 2 ? b.tab1 : b.tab6)[r][c] = full[r][c];
    }
  const int ie = 1 + k % 21, je = isGapCell(ie, 7 + k % 9) ? 4 + k % 9 : 7 + k % 9;
  b.tab1[ie][je] = '0';
  b.tab6[ie][je] = full[ie][je];
  if (k % 2 == 0) clue = {1, ie, je, full[ie][je]};
}

void sudokuPuzzle(unsigned k, Board& b, Clue& clue) {
  static const auto set = test::loadSet("sudoku-easy");
  const auto& s = set[k % set.size()];
  b = test::sudokuBoard(s.puzzle);
  for (int i = 0; i < 81; ++i)
    if (s.puzzle[i] == '.') b.tab6[i / 9 + 1][i % 9 + 1] = s.solution[i];
  // Outside the grid: what data entry and stray files may leave there.
  for (int r = 1; r <= kField; ++r)
    for (int c = 10; c <= kField; ++c) b.tab1[r][c] = b.tab1[c][r] = " 0.x"[(r + c) % 4];
  const int i = static_cast<int>(s.puzzle.find('.'));
  if (k % 2 == 0) clue = {1, i / 9 + 1, i % 9 + 1, s.solution[i]};
}

TEST(Permut, KeepsEveryGridSolvedAndTheClueInStep) {
  for (int su = 0; su <= 1; ++su) {
    int moved = 0;
    for (unsigned k = 0; k < 120; ++k) {
      SCOPED_TRACE("su " + std::to_string(su) + " seed " + std::to_string(k));
      Board before;
      Clue clue;
      (su == 0 ? quincunxPuzzle : sudokuPuzzle)(k, before, clue);
      Board b = before, again = before;
      const Clue oldClue = clue;
      Clue clueAgain = clue;
      Permuter p, q;
      p.alea = q.alea = k * 2654435761u;
      p.permut(b, clue);
      q.permut(again, clueAgain);

      Board both;
      both.setVariant(su);
      both.tab1 = b.tab1;
      both.tab2 = b.tab6;
      EXPECT_TRUE(test::isSolved(both));
      for (int r = 1; r <= kField; ++r)
        for (int c = 1; c <= kField; ++c) {
          if (su == 0 ? isGapCell(r, c) : r > 9 || c > 9) {
            ASSERT_EQ(b.tab1[r][c], before.tab1[r][c]) << r << "," << c;
            ASSERT_EQ(b.tab6[r][c], before.tab6[r][c]) << r << "," << c;
          } else if (inSubGrid(r, c, both.sud)) {
            // A given stands exactly where the solver wrote nothing.
            ASSERT_NE(isDigit(b.tab1[r][c]), isDigit(b.tab6[r][c])) << r << "," << c;
            moved += isDigit(b.tab1[r][c]) != isDigit(before.tab1[r][c]);
          }
        }
      if (oldClue.ne == 1) {
        EXPECT_EQ(b.tab6[clue.ie][clue.je], clue.ce);
        EXPECT_EQ(b.tab1[clue.ie][clue.je], '0');
      } else {
        EXPECT_EQ(test::fields(clue), test::fields(oldClue));
      }
      EXPECT_TRUE(again.tab1 == b.tab1 && again.tab6 == b.tab6 && q.alea == p.alea);
      EXPECT_EQ(test::fields(clueAgain), test::fields(clue));
    }
    EXPECT_GT(moved, 120 * 10) << "the givens hardly move";
  }
}

TEST(Permut, EmptyBoardStaysEmptyAndDrawsInOrder) {
  // Final alea, labels and clue worked out apart from this code, move by move.
  struct {
    int su;
    std::uint32_t seed;
    Clue clue, expected;
    std::uint32_t alea;
    const char* n19;
  } const cases[] = {
      {0, 0, {1, 2, 15, '5'}, {1, 2, 9, '2'}, 3937353852u, "841723569"},
      {0, 0, {1, 8, 11, '5'}, {1, 7, 10, '2'}, 3937353852u, "841723569"},
      {0, 7, {1, 14, 20, '1'}, {1, 14, 6, '1'}, 2674178087u, "174359268"},
      {0, 31337, {1, 11, 8, '7'}, {1, 12, 9, '5'}, 3536307011u, "364187592"},
      {1, 0, {1, 2, 3, '4'}, {1, 7, 1, '9'}, 1805464171u, "538946271"},
      {1, 7, {1, 2, 3, '4'}, {1, 2, 1, '4'}, 2266516636u, "256498371"},
      {1, 2024, {1, 5, 7, '9'}, {1, 7, 9, '2'}, 3174941055u, "537416982"},
      {1, 31337, {1, 8, 4, '6'}, {1, 7, 9, '8'}, 2188248163u, "321798654"},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(std::to_string(t.su) + " " + std::to_string(t.seed));
    Board b;
    b.setVariant(t.su);
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (t.su == 0 && isGapCell(r, c)) b.tab1[r][c] = ' ';
    const Board empty = b;
    Clue clue = t.clue;
    Permuter p;
    p.alea = t.seed;
    p.permut(b, clue);
    EXPECT_TRUE(b.tab1 == empty.tab1 && b.tab6 == empty.tab6);
    EXPECT_EQ(p.alea, t.alea);
    EXPECT_EQ(std::string(p.n19 + 1, 9), t.n19);
    EXPECT_EQ(test::fields(clue), test::fields(t.expected));
  }
}

TEST(Permut, ClueWithoutADigitKeepsItsCharacter) {
  for (char bad : {'x', '0', ' ', '\0', static_cast<char>(0xC8)}) {
    Board b;
    Clue clue;
    quincunxPuzzle(4, b, clue);
    clue.ce = bad;
    Permuter p;
    p.alea = 99;
    p.permut(b, clue);
    EXPECT_EQ(clue.ce, bad);
  }
}

}  // namespace
}  // namespace qx

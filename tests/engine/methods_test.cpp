// The four elimination methods on hand-made candidate arrays, and the logical
// pass with its three-candidate trials.
#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "tests/support/puzzles.h"

namespace qx {
namespace {

class Methods : public ::testing::Test {
 protected:
  Methods() {
    for (auto& row : b.candid)
      for (auto& cell : row) cell.fill('0');
  }
  void set(int r, int c, const std::string& digits) {
    b.candid[r][c].fill('0');
    for (char d : digits) b.candid[r][c][d - '0'] = '1';
  }
  std::string get(int r, int c) const {
    std::string s;
    for (int d = 1; d <= 9; ++d)
      if (b.candid[r][c][d] == '1') s.push_back(static_cast<char>('0' + d));
    return s;
  }

  Board b;
  SolverHost host;
  Engine e{b, host};
};

TEST_F(Methods, UniqueNarrowsAHiddenSingleOnce) {
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c) set(r, c, "12");
  set(1, 1, "127");
  EXPECT_EQ(e.unique(), 1);
  EXPECT_EQ(get(1, 1), "7");
  EXPECT_EQ(get(1, 2), "12");
  EXPECT_EQ(e.unique(), 0);  // already single: not a change
  b.tab2[1][1] = '7';        // unique only narrows empty cells
  set(1, 1, "127");
  EXPECT_EQ(e.unique(), 0);
  EXPECT_EQ(get(1, 1), "127");
}

TEST_F(Methods, UnClearsTheSingleFromEveryPeer) {
  set(5, 5, "4");
  set(5, 1, "45");
  set(1, 5, "34");
  set(4, 6, "48");
  set(6, 9, "4");   // peer by line, single too
  set(1, 1, "4");   // no peer: stays
  EXPECT_EQ(e.un(), 1);
  EXPECT_EQ(get(5, 1), "5");
  EXPECT_EQ(get(1, 5), "3");
  EXPECT_EQ(get(4, 6), "8");
  EXPECT_EQ(get(5, 5), "4");
  EXPECT_EQ(get(1, 1), "4");
  EXPECT_EQ(get(6, 9), "4");  // not on line 5
}

TEST_F(Methods, TwoSinglesOnOneLineLeaveTheSecondEmpty) {
  set(2, 3, "4");
  set(2, 7, "4");
  EXPECT_EQ(e.un(), 1);
  EXPECT_EQ(get(2, 3), "4");
  EXPECT_EQ(get(2, 7), "");
}

TEST_F(Methods, UnStaysInsideGridOneInASudoku) {
  b.setVariant(1);
  set(9, 9, "6");
  set(9, 10, "6");  // centre grid's line, not grid 1's
  set(11, 9, "6");
  EXPECT_EQ(e.un(), 0);
  EXPECT_EQ(get(9, 10), "6");
  EXPECT_EQ(get(11, 9), "6");
  b.setVariant(0);
  EXPECT_EQ(e.un(), 1);  // the centre grid now scans (9, 9) too
  EXPECT_EQ(get(9, 10), "");
  EXPECT_EQ(get(11, 9), "");
}

TEST_F(Methods, AlignClearsTheLineOutsideTheDomain) {
  set(2, 1, "3");
  set(2, 3, "35");
  set(2, 5, "3");
  set(2, 9, "37");
  set(3, 5, "3");  // other line, same domain column as (2, 5): untouched
  EXPECT_EQ(e.align(), 1);
  EXPECT_EQ(get(2, 5), "");
  EXPECT_EQ(get(2, 9), "7");
  EXPECT_EQ(get(2, 1), "3");
  EXPECT_EQ(get(2, 3), "35");
}

TEST_F(Methods, AlignIgnoresDiagonalsAndZeroOverZero) {
  set(1, 1, "6");
  set(2, 2, "6");
  set(3, 3, "6");
  set(5, 5, "6");  // alone: clears its line and column, where 6 is already gone
  EXPECT_EQ(e.align(), 0);
  EXPECT_EQ(get(1, 1), "6");
  EXPECT_EQ(get(2, 2), "6");
}

TEST_F(Methods, AlignInASharedDomainUsesTheGridBeingScanned) {
  // Digit 2 of the shared domain (rows 7-9, columns 7-9) only on row 8.
  set(8, 7, "2");
  set(8, 8, "2");
  set(8, 2, "2");   // grid 1's line
  set(7, 1, "2");   // keeps (8, 2)'s own domain from aligning
  set(8, 14, "2");  // centre grid's line
  set(8, 20, "2");  // grid 2's line only
  EXPECT_EQ(e.align(), 1);
  EXPECT_EQ(get(8, 2), "");
  EXPECT_EQ(get(8, 14), "");
  EXPECT_EQ(get(8, 20), "2");
}

TEST_F(Methods, HiddenPairKeepsOnlyThePair) {
  set(1, 4, "1379");
  set(6, 4, "379");
  set(3, 4, "15");
  set(8, 4, "9");
  EXPECT_EQ(e.couple(), 1);
  EXPECT_EQ(get(1, 4), "37");
  EXPECT_EQ(get(6, 4), "37");
}

TEST_F(Methods, NakedPairClearsItsUnitOnly) {
  set(4, 4, "26");
  set(6, 5, "26");
  set(5, 5, "1268");
  set(4, 1, "2678");  // same line as (4, 4), other domain
  set(4, 7, "2");
  set(8, 5, "269");  // keeps 2 and 6 of column 5 from forming a hidden pair
  EXPECT_EQ(e.couple(), 1);
  EXPECT_EQ(get(5, 5), "18");
  EXPECT_EQ(get(4, 4), "26");
  EXPECT_EQ(get(6, 5), "26");
  EXPECT_EQ(get(4, 1), "2678");
  EXPECT_EQ(get(4, 7), "2");
  // With (5, 5) narrowed, 2 and 6 are confined to two cells of column 5.
  EXPECT_EQ(get(8, 5), "26");
}

TEST_F(Methods, ThirdMatchingCellOfANakedPairLosesBoth) {
  set(3, 1, "48");
  set(3, 5, "48");
  set(3, 9, "48");
  EXPECT_EQ(e.couple(), 1);
  EXPECT_EQ(get(3, 1), "48");
  EXPECT_EQ(get(3, 5), "48");
  EXPECT_EQ(get(3, 9), "");
}

TEST_F(Methods, PairRulesNeedExactlyTwoCells) {
  set(1, 1, "135");
  set(1, 2, "135");
  set(1, 3, "35");  // 3 and 5 in three cells, 1 in two: no pair at all
  EXPECT_EQ(e.couple(), 0);
  EXPECT_EQ(get(1, 1), "135");
}

TEST_F(Methods, TwinsWorkOnTheTrialWorkspaceOnly) {
  set(5, 5, "4");
  set(5, 1, "45");
  b.candig = b.candid;
  b.candid[5][1][4] = '0';
  b.candid[5][1][5] = '1';
  const Cands before = b.candid;
  EXPECT_EQ(e.un1(), 1);
  EXPECT_EQ(b.candig[5][1][4], '0');
  EXPECT_TRUE(b.candid == before);
}

TEST(LogicalPass, SolvedBoardLeavesNoCandidate) {
  Board b;
  b.tab1 = test::fullQuincunx(3);
  SolverHost host;
  Engine e(b, host);
  e.candidat();
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) EXPECT_EQ(countCands(b.candid, r, c), 0);
}

TEST(LogicalPass, ThreeCandidateSweepResetsItsFlagAndRestoresTab2) {
  const auto set = test::loadSet("sudoku-hard");
  Board b = test::sudokuBoard(set[0].puzzle);
  b.tab2[9][9] = 'x';  // whatever tab2 holds comes back as it was
  const Grid before = b.tab2;
  SolverHost host;
  Engine e(b, host);
  e.trois = 1;
  e.candidat();
  EXPECT_EQ(e.trois, 0);
  EXPECT_TRUE(b.tab2 == before);

  // A solved board has no three-candidate cell: nothing struck, flag reset.
  Board full;
  full.tab1 = test::fullQuincunx(4);
  Engine f(full, host);
  f.rebuild(full.candid);
  f.trois = 1;
  EXPECT_EQ(f.troise(), 0);
  EXPECT_EQ(f.trois, 0);
}

// Every method only draws sound conclusions: on puzzles with one solution the
// solution's digit survives in every empty cell, after the plain pass and
// after the three-candidate sweep.
TEST(LogicalPass, NeverStrikesTheSolution) {
  const auto set = test::loadSet("sudoku-hard");
  SolverHost host;
  int struck = 0;
  for (std::size_t p = 0; p < set.size(); p += 10) {
    Board b = test::sudokuBoard(set[p].puzzle);
    Engine e(b, host);
    e.rebuild(b.candid);
    const Cands raw = b.candid;
    for (int trois : {0, 1}) {
      e.trois = trois;
      e.candidat();
      for (int k = 0; k < 81; ++k) {
        const int r = k / 9 + 1, c = k % 9 + 1;
        if (b.tab1[r][c] != '0') continue;
        ASSERT_EQ(b.candid[r][c][set[p].solution[k] - '0'], '1')
            << "puzzle " << p << " cell " << r << "," << c << " trois " << trois;
        for (int d = 1; d <= 9; ++d) struck += raw[r][c][d] == '1' && b.candid[r][c][d] == '0';
      }
    }
  }
  EXPECT_GT(struck, 0);
}

}  // namespace
}  // namespace qx

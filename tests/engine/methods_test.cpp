// SPDX-License-Identifier: GPL-3.0-or-later
// The four elimination methods on hand-made candidate arrays, and the logical
// pass with its three-candidate trials.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// One method on a few set cells: how many changes it reports and what the
// cells hold after. Cells left out of `after` keep what they were given.
struct Cell {
  int r, c;
  const char* digits;
};
struct MethodCase {
  const char* what;
  int variant;
  int (Engine::*method)();
  std::vector<Cell> given;
  int changes;
  std::vector<Cell> after;
};

TEST_F(Methods, EachMethodOnHandMadeCandidates) {
  const MethodCase cases[] = {
      {"un clears the single from every peer, not from a cell off its units", 0, &Engine::un,
       {{5, 5, "4"}, {5, 1, "45"}, {1, 5, "34"}, {4, 6, "48"}, {6, 9, "4"}, {1, 1, "4"}},
       1, {{5, 1, "5"}, {1, 5, "3"}, {4, 6, "8"}}},
      {"two singles on one line leave the second empty", 0, &Engine::un,
       {{2, 3, "4"}, {2, 7, "4"}}, 1, {{2, 7, ""}}},
      // (9, 10) and (11, 9) are on the centre grid's units only.
      {"a Sudoku's un stays inside grid 1", 1, &Engine::un,
       {{9, 9, "6"}, {9, 10, "6"}, {11, 9, "6"}}, 0, {}},
      {"a Quincunx's centre grid scans (9, 9) too", 0, &Engine::un,
       {{9, 9, "6"}, {9, 10, "6"}, {11, 9, "6"}}, 1, {{9, 10, ""}, {11, 9, ""}}},
      // (3, 5): other line, same domain column as (2, 5): untouched.
      {"align clears the line outside the domain", 0, &Engine::align,
       {{2, 1, "3"}, {2, 3, "35"}, {2, 5, "3"}, {2, 9, "37"}, {3, 5, "3"}},
       1, {{2, 5, ""}, {2, 9, "7"}}},
      // (5, 5) alone clears its line and column, where 6 is already gone.
      {"align ignores diagonals and zero over zero", 0, &Engine::align,
       {{1, 1, "6"}, {2, 2, "6"}, {3, 3, "6"}, {5, 5, "6"}}, 0, {}},
      // Digit 2 of the shared domain (rows 7-9, columns 7-9) only on row 8;
      // (7, 1) keeps (8, 2)'s own domain from aligning; (8, 20) is on grid 2's line only.
      {"align in a shared domain uses the grid being scanned", 0, &Engine::align,
       {{8, 7, "2"}, {8, 8, "2"}, {8, 2, "2"}, {7, 1, "2"}, {8, 14, "2"}, {8, 20, "2"}},
       1, {{8, 2, ""}, {8, 14, ""}}},
      {"a hidden pair keeps only the pair", 0, &Engine::couple,
       {{1, 4, "1379"}, {6, 4, "379"}, {3, 4, "15"}, {8, 4, "9"}}, 1, {{1, 4, "37"}, {6, 4, "37"}}},
      // (4, 1) is on (4, 4)'s line, in another domain; (8, 5) keeps 2 and 6 of
      // column 5 from a hidden pair until (5, 5) is narrowed, then becomes one.
      {"a naked pair clears its unit only", 0, &Engine::couple,
       {{4, 4, "26"}, {6, 5, "26"}, {5, 5, "1268"}, {4, 1, "2678"}, {4, 7, "2"}, {8, 5, "269"}},
       1, {{5, 5, "18"}, {8, 5, "26"}}},
      {"the third matching cell of a naked pair loses both", 0, &Engine::couple,
       {{3, 1, "48"}, {3, 5, "48"}, {3, 9, "48"}}, 1, {{3, 9, ""}}},
      // 3 and 5 in three cells, 1 in two: no pair at all.
      {"pair rules need exactly two cells", 0, &Engine::couple,
       {{1, 1, "135"}, {1, 2, "135"}, {1, 3, "35"}}, 0, {}},
  };
  for (const MethodCase& t : cases) {
    SCOPED_TRACE(t.what);
    for (auto& row : b.candid)
      for (auto& cell : row) cell.fill('0');
    b.setVariant(t.variant);
    for (const Cell& g : t.given) set(g.r, g.c, g.digits);
    EXPECT_EQ((e.*t.method)(), t.changes);
    for (const Cell& g : t.given) {
      const Cell* changed = nullptr;
      for (const Cell& a : t.after)
        if (a.r == g.r && a.c == g.c) changed = &a;
      EXPECT_EQ(get(g.r, g.c), changed ? changed->digits : g.digits) << g.r << "," << g.c;
    }
  }
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

// A solved board leaves no candidate, and no three-candidate cell to the
// sweep: nothing struck, its flag reset.
TEST(LogicalPass, SolvedBoardLeavesNothingToDo) {
  Board b;
  b.tab1 = test::fullQuincunx(3);
  SolverHost host;
  Engine e(b, host);
  e.candidat();
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) EXPECT_EQ(countCands(b.candid, r, c), 0);
  e.rebuild(b.candid);
  e.trois = 1;
  EXPECT_EQ(e.troise(), 0);
  EXPECT_EQ(e.trois, 0);
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

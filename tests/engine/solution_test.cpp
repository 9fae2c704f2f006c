// SPDX-License-Identifier: GPL-3.0-or-later
// The solution search: its endings, its modes, what it tells the host, and
// full Quincunx solves checked against the rules of all five grids.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/engine.h"
#include "tests/support/puzzles.h"

namespace qx {
namespace {

class RecordingHost : public SolverHost {
 public:
  void nessage() override {
    ++pumps;
    if (closeAfterPumps > 0 && pumps >= closeAfterPumps) closed = 1;
  }
  int termine() const override { return closed; }
  void clearClientArea() override { calls.push_back('c'); }
  void redraw() override { calls.push_back('r'); }
  void failureBox(int text) override { boxes.push_back(text); }

  int pumps = 0;
  int closeAfterPumps = 0;
  int closed = 0;
  std::string calls;
  std::vector<int> boxes;
};

Grid sentinelGrid() {
  Grid g;
  for (auto& row : g) row.fill('s');
  return g;
}

TEST(Solution, FullBoardIsCopiedWithoutAMessage) {
  Board b;
  b.tab1 = test::fullQuincunx(1);
  b.tab2[3][3] = '0';
  RecordingHost host;
  Engine e(b, host);
  e.solution(kSilent);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(b.tab6 == b.tab2);
  EXPECT_EQ(host.calls, "c");  // background only in the silent mode
}

TEST(Solution, SinglesPuzzleNeedsNoTrial) {
  const auto set = test::loadSet("sudoku-easy");
  Board b = test::sudokuBoard(set[0].puzzle);
  RecordingHost host;
  Engine e(b, host);
  e.solution(kShown);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_EQ(e.trouv, 0);
  EXPECT_EQ(test::grid1(b), set[0].solution);
  EXPECT_TRUE(b.tab6 == b.tab2);
  EXPECT_EQ(host.calls, "cr");
  // Nothing outside grid 1 is ever placed in a Sudoku.
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (r > 9 || c > 9) {
        EXPECT_EQ(b.tab2[r][c], '0') << r << "," << c;
      }
}

TEST(Solution, ObviousModePlacesOnlySinglesAndKeepsTheReference) {
  const auto set = test::loadSet("sudoku-hard");
  Board b = test::sudokuBoard(set[1].puzzle);
  b.tab6 = sentinelGrid();
  RecordingHost host;
  Engine e(b, host);
  e.solution(kObvious);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(b.tab6 == sentinelGrid());
  EXPECT_EQ(host.calls, "r");
  const std::string got = test::grid1(b);
  for (int k = 0; k < 81; ++k)
    if (got[k] != '.') {
      EXPECT_EQ(got[k], set[1].solution[k]) << k;
    }
  EXPECT_LT(std::count(got.begin(), got.end(), '.'), 81 - 17);
}

TEST(Solution, CellWithoutCandidatesEndsAsErroneousData) {
  Board b;
  b.setVariant(1);
  for (int c = 2; c <= 9; ++c) b.tab1[1][c] = static_cast<char>('0' + c - 1);
  b.tab1[5][1] = '9';
  RecordingHost host;
  Engine e(b, host);
  e.solution(kSilent);
  ASSERT_EQ(host.boxes, std::vector<int>{kTextErroneous});
  EXPECT_EQ(b.tab2[1][1], '0');
  EXPECT_TRUE(b.tab6 == b.tab2);
}

TEST(Solution, OddCharacterInAGridIsErroneousData) {
  const auto set = test::loadSet("sudoku-easy");
  Board b = test::sudokuBoard(set[2].puzzle);
  int k = 0;
  while (set[2].puzzle[k] != '.') ++k;
  b.tab1[k / 9 + 1][k % 9 + 1] = ' ';
  RecordingHost host;
  Engine e(b, host);
  e.solution(kSilent);
  EXPECT_EQ(host.boxes, std::vector<int>{kTextErroneous});
}

TEST(Solution, ClosingTheWindowStopsTheSolveWithoutLeavingATrialValue) {
  const auto set = test::loadSet("sudoku-hard");
  Board b = test::sudokuBoard(set[3].puzzle);
  b.tab6 = sentinelGrid();
  RecordingHost host;
  host.closeAfterPumps = 2;  // at the second cell of the first two-candidate sweep
  Engine e(b, host);
  e.solution(kShown);
  EXPECT_EQ(host.closed, 1);
  EXPECT_TRUE(b.tab6 == sentinelGrid());
  EXPECT_TRUE(host.calls.empty());
  const std::string got = test::grid1(b);
  for (int k = 0; k < 81; ++k)
    if (got[k] != '.') {
      EXPECT_EQ(got[k], set[3].solution[k]) << k;
    }
}

// Blanks cells of a full Quincunx in a seeded order, keeping each blank only
// while the puzzle keeps a single solution.
Grid thinQuincunx(const Grid& full, std::uint32_t seed, int blanks,
                  const std::vector<std::pair<int, int>>& only = {}) {
  std::vector<std::pair<int, int>> cells = only;
  if (cells.empty())
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (!isGapCell(r, c)) cells.push_back({r, c});
  std::mt19937 rng(seed);
  std::shuffle(cells.begin(), cells.end(), rng);
  Grid g = full;
  int done = 0;
  for (auto [r, c] : cells) {
    if (done == blanks) break;
    const char keep = g[r][c];
    g[r][c] = '0';
    if (test::countSolutions(g, 5, 2) == 1)
      ++done;
    else
      g[r][c] = keep;
  }
  return g;
}

TEST(Solution, QuincunxSolvedEndToEnd) {
  for (std::uint32_t seed : {11u, 12u, 13u}) {
    const Grid full = test::fullQuincunx(seed);
    Board b;
    b.tab1 = thinQuincunx(full, seed, 220);
    RecordingHost host;
    Engine e(b, host);
    e.solution(kSilent);
    ASSERT_TRUE(host.boxes.empty()) << "seed " << seed;
    ASSERT_TRUE(test::isSolved(b)) << "seed " << seed;
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (!isGapCell(r, c)) {
          ASSERT_EQ(test::valueAt(b, r, c), full[r][c]) << r << "," << c;
        }
  }
}

// Grid 1 thinned until it only has one solution together with the centre
// grid: alone it is ambiguous, so the shared domain must carry values over.
TEST(Solution, SharedDomainCarriesValuesFromTheCentreGrid) {
  const Grid full = test::fullQuincunx(21);
  std::vector<std::pair<int, int>> grid1;
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c) grid1.push_back({r, c});
  Board b;
  b.tab1 = thinQuincunx(full, 21, 81, grid1);

  Grid alone = test::zeros();
  for (auto [r, c] : grid1) alone[r][c] = b.tab1[r][c];
  ASSERT_GT(test::countSolutions(alone, 1, 2), 1);

  RecordingHost host;
  Engine e(b, host);
  e.solution(kSilent);
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(test::isSolved(b));
  for (auto [r, c] : grid1) EXPECT_EQ(test::valueAt(b, r, c), full[r][c]) << r << "," << c;
}

}  // namespace
}  // namespace qx

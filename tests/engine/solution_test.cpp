// SPDX-License-Identifier: GPL-3.0-or-later
// The solution search: its endings, its modes, what it tells the host, and
// full Quincunx solves checked against the rules of all five grids.
#include <gtest/gtest.h>

#include <algorithm>
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

// How each kind of solve ends: the boxes shown, the board calls made, what
// becomes of the reference solution tab6, and what grid 1 holds after.
TEST(Solution, EndingsModesAndHostCalls) {
  const auto easy = test::loadSet("sudoku-easy"), hard = test::loadSet("sudoku-hard");
  Board full;
  full.tab1 = test::fullQuincunx(1);
  full.tab2[3][3] = '0';
  Board wrong;  // (1, 1) sees every digit
  wrong.setVariant(1);
  for (int c = 2; c <= 9; ++c) wrong.tab1[1][c] = static_cast<char>('0' + c - 1);
  wrong.tab1[5][1] = '9';
  Board odd = test::sudokuBoard(easy[2].puzzle);
  const int open = static_cast<int>(easy[2].puzzle.find('.'));
  odd.tab1[open / 9 + 1][open % 9 + 1] = ' ';
  enum Tab6 { kCopied, kKept, kAny };
  enum Grid1 { kSolved, kSound, kUnchecked };
  struct Case {
    const char* what;
    Board start;
    const std::string* solution;
    int mode, closeAfter;
    std::vector<int> boxes;
    const char* calls;  // nullptr: not checked
    Tab6 tab6;
    Grid1 grid1;
  } cases[] = {
      {"full board copied, background only", full, nullptr, kSilent, 0, {}, "c", kCopied, kUnchecked},
      {"singles shown", test::sudokuBoard(easy[0].puzzle), &easy[0].solution, kShown, 0, {}, "cr", kCopied, kSolved},
      {"obvious keeps the reference", test::sudokuBoard(hard[1].puzzle), &hard[1].solution, kObvious, 0, {}, "r",
       kKept, kSound},
      {"no candidate left", wrong, nullptr, kSilent, 0, {kTextErroneous}, nullptr, kCopied, kUnchecked},
      {"odd character", odd, nullptr, kSilent, 0, {kTextErroneous}, nullptr, kAny, kUnchecked},
      // At the second cell of the first two-candidate sweep: no trial value left.
      {"window closed", test::sudokuBoard(hard[3].puzzle), &hard[3].solution, kShown, 2, {}, "", kKept, kSound},
  };
  std::vector<Board> after;
  std::vector<int> trouv;
  for (const Case& t : cases) {
    SCOPED_TRACE(t.what);
    Board b = t.start;
    if (t.tab6 == kKept) b.tab6 = sentinelGrid();
    RecordingHost host;
    host.closeAfterPumps = t.closeAfter;
    Engine e(b, host);
    e.solution(t.mode);
    EXPECT_EQ(host.boxes, t.boxes);
    EXPECT_EQ(host.closed, t.closeAfter > 0 ? 1 : 0);
    if (t.calls) {
      EXPECT_EQ(host.calls, t.calls);
    }
    if (t.tab6 != kAny) {
      EXPECT_TRUE(b.tab6 == (t.tab6 == kKept ? sentinelGrid() : b.tab2));
    }
    const std::string got = test::grid1(b);
    if (t.grid1 == kSolved) {
      EXPECT_EQ(got, *t.solution);
    }
    if (t.grid1 == kSound)
      for (int k = 0; k < 81; ++k)
        if (got[k] != '.') {
          EXPECT_EQ(got[k], (*t.solution)[k]) << k;
        }
    // Nothing outside grid 1 is ever placed in a Sudoku.
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (b.su == 1 && (r > 9 || c > 9)) {
          EXPECT_EQ(b.tab2[r][c], '0') << r << "," << c;
        }
    after.push_back(b);
    trouv.push_back(e.trouv);
  }
  EXPECT_EQ(trouv[1], 0);  // the singles needed no trial
  const std::string obvious = test::grid1(after[2]);
  EXPECT_LT(std::count(obvious.begin(), obvious.end(), '.'), 81 - 17);  // some singles placed
  EXPECT_EQ(after[3].tab2[1][1], '0');
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

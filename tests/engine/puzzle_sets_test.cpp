// SPDX-License-Identifier: GPL-3.0-or-later
// The engine over the public Sudoku sets: every puzzle it reports solved is the
// known solution, and whatever it leaves incomplete is still right so far.
#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "tests/support/puzzles.h"

namespace qx {
namespace {

struct Tally {
  int solved = 0, erroneous = 0, incomplete = 0;
};

Tally solveSet(const std::string& name) {
  Tally t;
  const auto set = test::loadSet(name);
  for (std::size_t p = 0; p < set.size(); ++p) {
    Board b = test::sudokuBoard(set[p].puzzle);
    FailureRecorder host;
    Engine e(b, host);
    e.solution(kSilent);
    const std::string got = test::grid1(b);
    if (host.box == 0) {
      ++t.solved;
      EXPECT_EQ(got, set[p].solution) << name << " line " << p + 1;
      EXPECT_TRUE(test::isSolved(b)) << name << " line " << p + 1;
    } else {
      (host.box == kTextErroneous ? t.erroneous : t.incomplete)++;
      for (int k = 0; k < 81; ++k)
        if (got[k] != '.') {
          EXPECT_EQ(got[k], set[p].solution[k]) << name << " line " << p + 1;
        }
    }
    EXPECT_TRUE(b.tab6 == b.tab2);
  }
  return t;
}

TEST(PuzzleSets, EasySetIsSolvedCompletely) {
  const Tally t = solveSet("sudoku-easy");
  EXPECT_EQ(t.solved, 1000);
}

TEST(PuzzleSets, HardSetNeverEndsInErroneousData) {
  const Tally t = solveSet("sudoku-hard");
  EXPECT_EQ(t.erroneous, 0);
  EXPECT_EQ(t.solved + t.incomplete, 500);
  RecordProperty("solved", t.solved);
  RecordProperty("incomplete", t.incomplete);
}

}  // namespace
}  // namespace qx

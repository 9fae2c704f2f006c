// SPDX-License-Identifier: GPL-3.0-or-later
// Time to make one puzzle of each variant and rating. Each iteration makes
// the next puzzle of one seed's stream, so a figure is an average over
// different puzzles; the counters tell how many full boards a puzzle took,
// its givens and how often it needed a hidden clue. With Debian's QQwing
// library, its rows do what `qqwing --generate --difficulty D` does for one
// puzzle (generate, solve with history, keep it when the difficulty is D),
// in the same run, as the yardstick for the Sudoku rows.
#include <benchmark/benchmark.h>

#include "tools/gen/generator.h"

#ifdef QX_HAVE_QQWING
#include <qqwing.hpp>
#endif

namespace {

using qx::gen::Rating;

void generateOne(benchmark::State& state, int su, Rating rating) {
  qx::gen::GenOptions opt;
  opt.su = su;
  opt.rating = rating;
  int n = 0;
  double boards = 0, givens = 0, clues = 0;
  for (auto _ : state) {
    const auto puzzle = qx::gen::generate(opt, 1, ++n);
    if (!puzzle) {
      state.SkipWithError("no puzzle of this rating within the tries");
      return;
    }
    boards += puzzle->tries;
    givens += puzzle->givens;
    clues += puzzle->clue.ne == 1;
  }
  using benchmark::Counter;
  state.counters["boards"] = Counter(boards, Counter::kAvgIterations);
  state.counters["givens"] = Counter(givens, Counter::kAvgIterations);
  state.counters["clued"] = Counter(clues, Counter::kAvgIterations);
}

BENCHMARK_CAPTURE(generateOne, sudoku_singles, 1, Rating::kSingles)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(generateOne, sudoku_logic, 1, Rating::kLogic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(generateOne, sudoku_trials, 1, Rating::kTrials)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(generateOne, sudoku_deep, 1, Rating::kDeep)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(generateOne, quincunx_singles, 0, Rating::kSingles)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(generateOne, quincunx_logic, 0, Rating::kLogic)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(generateOne, quincunx_trials, 0, Rating::kTrials)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(generateOne, quincunx_deep, 0, Rating::kDeep)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef QX_HAVE_QQWING
void qqwingOne(benchmark::State& state, qqwing::SudokuBoard::Difficulty want) {
  qqwing::SudokuBoard board;
  board.setRecordHistory(true);
  board.setLogHistory(false);
  double boards = 0, givens = 0;
  for (auto _ : state) {
    for (;;) {
      ++boards;
      board.generatePuzzle();
      board.solve();
      if (board.getDifficulty() == want) break;
    }
    givens += board.getGivenCount();
  }
  using benchmark::Counter;
  state.counters["boards"] = Counter(boards, Counter::kAvgIterations);
  state.counters["givens"] = Counter(givens, Counter::kAvgIterations);
}

using QQ = qqwing::SudokuBoard;
BENCHMARK_CAPTURE(qqwingOne, qqwing_simple, QQ::SIMPLE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qqwingOne, qqwing_easy, QQ::EASY)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qqwingOne, qqwing_intermediate, QQ::INTERMEDIATE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qqwingOne, qqwing_expert, QQ::EXPERT)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();

// SPDX-License-Identifier: GPL-3.0-or-later
// The complete solver per puzzle: the public Sudoku sets and the shipped
// puzzles of both variants, first solution and the count to two that
// --complete does. With a prebuilt tdoku (CMake QX_TDOKU_DIR) or fsss2
// (QX_FSSS2_DIR), their rows run in the same process on the same Sudoku
// boards, as yardsticks.
// One iteration solves the whole set; a figure is the mean per puzzle.
// nodes_per_puzzle counts our search nodes, guesses_per_puzzle the digits we
// try while another is left to try: what tdoku and fsss2 count as guesses.
#include <benchmark/benchmark.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "engine/exact.h"
#include "tests/support/puzzles.h"

#ifdef QX_HAVE_TDOKU
#include <tdoku.h>
#endif
#ifdef QX_HAVE_FSSS2
#include <fsss2.h>
int nTrials = 0;  // fsss2 counts its guesses here
#endif

namespace {

using namespace qx;

struct Set {
  int sud = 1;
  std::vector<Grid> boards;       // givens with the hidden clue
  std::vector<std::string> lines;  // the Sudoku boards as 81 characters, '.' empty
};

const Set& setNamed(const std::string& name) {
  static std::map<std::string, Set> sets;
  auto it = sets.find(name);
  if (it != sets.end()) return it->second;
  Set s;
  if (name.starts_with("sudoku")) {
    for (const auto& p : test::loadSet(name)) {
      s.boards.push_back(test::sudokuBoard(p.puzzle).tab1);
      s.lines.push_back(p.puzzle);
    }
  } else {  // shipped-quincunx-deep, shipped-sudoku
    const bool quincunx = name.starts_with("shipped-quincunx");
    s.sud = quincunx ? 5 : 1;
    for (const auto& p : test::shippedPuzzles()) {
      if ((p.board.su == 0) != quincunx) continue;
      if (name.ends_with("-deep") && p.name.find("-deep-") == std::string::npos) continue;
      s.boards.push_back(givensOf(p.board));
      if (!quincunx) {
        std::string line;
        for (int k = 0; k < 81; ++k) {
          const char ch = s.boards.back()[k / 9 + 1][k % 9 + 1];
          line.push_back(isDigit(ch) ? ch : '.');
        }
        s.lines.push_back(line);
      }
    }
  }
  return sets[name] = s;
}

void perPuzzle(benchmark::State& state, std::size_t puzzles, long found, double nodes, double guesses) {
  state.counters["puzzles"] = static_cast<double>(puzzles);
  // Seconds per puzzle, from the CPU time of the iterations.
  state.counters["per_puzzle"] = benchmark::Counter(
      static_cast<double>(puzzles), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["solutions"] = static_cast<double>(found);
  state.counters["nodes_per_puzzle"] = nodes / static_cast<double>(puzzles);
  state.counters["guesses_per_puzzle"] = guesses / static_cast<double>(puzzles);
}

void complete(benchmark::State& state, const std::string& name, int limit) {
  const Set& set = setNamed(name);
  ExactSolver solver(set.sud);
  long found = 0;
  double nodes = 0, guesses = 0;
  Grid solution;
  for (auto _ : state) {
    found = 0;
    nodes = guesses = 0;
    for (const Grid& g : set.boards) {
      found += solver.count(g, limit, &solution);
      nodes += static_cast<double>(solver.nodes());
      guesses += static_cast<double>(solver.guesses());
      benchmark::DoNotOptimize(solution);
    }
  }
  perPuzzle(state, set.boards.size(), found, nodes, guesses);
}

#ifdef QX_HAVE_TDOKU
void tdoku(benchmark::State& state, const std::string& name, int limit) {
  const Set& set = setNamed(name);
  long found = 0;
  double guesses = 0;
  char solution[82];
  for (auto _ : state) {
    found = 0;
    guesses = 0;
    for (const std::string& line : set.lines) {
      std::size_t g = 0;
      found += static_cast<long>(TdokuSolverDpllTriadSimd(line.c_str(), limit, 0, solution, &g));
      guesses += static_cast<double>(g);
      benchmark::DoNotOptimize(solution);
    }
  }
  perPuzzle(state, set.lines.size(), found, guesses, guesses);
}
#endif

#ifdef QX_HAVE_FSSS2
// fsss2 takes 81 cells 0..9; one solution, or the count to two.
void fsss2(benchmark::State& state, const std::string& name, int limit) {
  const Set& set = setNamed(name);
  std::vector<std::array<char, 81>> cells;
  for (const std::string& line : set.lines) {
    std::array<char, 81> c{};
    for (int k = 0; k < 81; ++k) c[k] = isDigit(line[k]) ? static_cast<char>(line[k] - '0') : 0;
    cells.push_back(c);
  }
  long found = 0;
  char solution[81];
  for (auto _ : state) {
    found = 0;
    nTrials = 0;
    for (const auto& c : cells) {
      if (limit == 1) {
        hasAnySolution has{};
        found += has.solve(c.data());
      } else {
        getSingleSolution gss{};
        found += gss.solve(c.data(), solution);
      }
      benchmark::DoNotOptimize(solution);
    }
  }
  perPuzzle(state, set.lines.size(), found, nTrials, nTrials);
}
#endif

void registerAll() {
  struct Solver {
    const char* name;
    void (*run)(benchmark::State&, const std::string&, int);
    bool quincunx;  // solves the five grids too
  };
  const std::vector<Solver> solvers = {
      {"Complete", complete, true},
#ifdef QX_HAVE_TDOKU
      {"Tdoku", tdoku, false},
#endif
#ifdef QX_HAVE_FSSS2
      {"Fsss2", fsss2, false},
#endif
  };
  for (const std::string s : {"sudoku-easy", "sudoku-hard", "shipped-sudoku", "shipped-quincunx",
                              "shipped-quincunx-deep"})
    for (const int limit : {1, 2})
      for (const Solver& solver : solvers) {
        if (!solver.quincunx && s.starts_with("shipped-quincunx")) continue;
        const std::string what = std::string(solver.name) + (limit == 1 ? "/first/" : "/count2/") + s;
        benchmark::RegisterBenchmark(what.c_str(), [run = solver.run, s, limit](benchmark::State& st) {
          run(st, s, limit);
        })->Unit(benchmark::kMillisecond);
      }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

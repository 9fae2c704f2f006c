// SPDX-License-Identifier: GPL-3.0-or-later
// Silent solves over each puzzle set by the fast engine, the literal one and,
// on the Sudoku sets, QQwing; then the candidate refresh after one keystroke.
// One benchmark iteration solves the whole set; the counters give the
// per-puzzle mean, median and worst time, and a table at the end puts them
// side by side. A puzzle's time is wall-clock time; the machines we measure
// on are shared, so each puzzle is solved several times (--reps, default 5;
// the literal engine once) and its fastest run counts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tests/support/reference_engine.h"
#include "files/puzzle_file.h"
#include "tests/support/puzzles.h"

#ifdef QX_HAVE_QQWING
#include <qqwing.hpp>
#endif

namespace {

using namespace qx;

double wallMicros() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

int gReps = 5;

struct Loaded {
  Board board;  // givens, with the hidden clue already placed
  std::string solution;  // 81 digits of grid 1 when known
  std::string name;      // file name, or line in the set
};

std::vector<Loaded> sudokuSet(const std::string& name) {
  std::vector<Loaded> set;
  for (const auto& p : test::loadSet(name))
    set.push_back({test::sudokuBoard(p.puzzle), p.solution, "line " + std::to_string(set.size() + 1)});
  return set;
}

std::vector<Loaded> shippedPuzzles(int su) {
  std::vector<Loaded> set;
  for (const auto& p : test::shippedPuzzles())
    if (p.board.su == su) set.push_back(Loaded{p.board, {}, p.name});
  return set;
}

const std::vector<Loaded>& setNamed(const std::string& name) {
  static std::map<std::string, std::vector<Loaded>> sets;
  auto it = sets.find(name);
  if (it != sets.end()) return it->second;
  if (name == "shipped-quincunx") return sets[name] = shippedPuzzles(0);
  if (name == "shipped-sudoku") return sets[name] = shippedPuzzles(1);
  return sets[name] = sudokuSet(name);
}

struct Figures {
  double mean = 0;
  double median = 0;
  double worst = 0;
  int puzzles = 0;
  int solved = 0;
  std::string worstName;
};
std::map<std::string, std::map<std::string, Figures>>& table() {
  static std::map<std::string, std::map<std::string, Figures>> t;
  return t;
}

void report(benchmark::State& state, const std::string& set, const std::string& solver, std::vector<double> micros,
            int solved) {
  if (micros.empty()) return;
  const std::string worstName =
      setNamed(set)[std::max_element(micros.begin(), micros.end()) - micros.begin()].name;
  std::sort(micros.begin(), micros.end());
  double sum = 0;
  for (double m : micros) sum += m;
  Figures f{sum / static_cast<double>(micros.size()), micros[micros.size() / 2], micros.back(),
            static_cast<int>(micros.size()), solved, worstName};
  table()[set][solver] = f;
  state.counters["puzzles"] = f.puzzles;
  state.counters["mean_us"] = f.mean;
  state.counters["median_us"] = f.median;
  state.counters["worst_us"] = f.worst;
  state.counters["solved"] = solved;
}

template <class E>
void solveSet(benchmark::State& state, const std::string& set, const std::string& solver, int reps) {
  const auto& puzzles = setNamed(set);
  std::vector<double> micros;
  int solved = 0;
  for (auto _ : state) {
    micros.clear();
    solved = 0;
    for (const Loaded& l : puzzles) {
      double best = 0;
      for (int rep = 0; rep < reps; ++rep) {
        Board b = l.board;
        FailureRecorder host;
        E e(b, host);
        const double t0 = wallMicros();
        e.solution(kSilent);
        const double t = wallMicros() - t0;
        best = rep == 0 ? t : std::min(best, t);
        if (rep == 0) solved += host.box == 0;
        benchmark::DoNotOptimize(b.tab6);
      }
      micros.push_back(best);
    }
  }
  report(state, set, solver, micros, solved);
}

#ifdef QX_HAVE_QQWING
// QQwing's own solver on grid 1 of the same boards, puzzle set up and solved.
void qqwingSet(benchmark::State& state, const std::string& set) {
  const auto& puzzles = setNamed(set);
  std::vector<double> micros;
  int solved = 0;
  qqwing::SudokuBoard sb;
  sb.setRecordHistory(false);
  sb.setLogHistory(false);
  for (auto _ : state) {
    micros.clear();
    solved = 0;
    for (const Loaded& l : puzzles) {
      int givens[81];
      for (int k = 0; k < 81; ++k) {
        const char t1 = l.board.tab1[k / 9 + 1][k % 9 + 1], t2 = l.board.tab2[k / 9 + 1][k % 9 + 1];
        givens[k] = isDigit(t1) ? t1 - '0' : isDigit(t2) ? t2 - '0' : 0;
      }
      const double t0 = wallMicros();
      const bool ok = sb.setPuzzle(givens) && sb.solve();
      micros.push_back(wallMicros() - t0);
      solved += ok && sb.isSolved();
    }
  }
  report(state, set, "qqwing", micros, solved);
}
#endif

const char* const kSets[] = {"sudoku-easy", "sudoku-hard", "shipped-quincunx", "shipped-sudoku"};

void registerSolves() {
  for (const char* set : kSets) {
    const std::string s = set;
    benchmark::RegisterBenchmark(("Solve/fast/" + s).c_str(),
                                 [s](benchmark::State& st) { solveSet<Engine>(st, s, "fast", gReps); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark(("Solve/literal/" + s).c_str(),
                                 [s](benchmark::State& st) { solveSet<ReferenceEngine>(st, s, "literal", 1); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
#ifdef QX_HAVE_QQWING
    if (s != "shipped-quincunx")
      benchmark::RegisterBenchmark(("Solve/qqwing/" + s).c_str(), [s](benchmark::State& st) { qqwingSet(st, s); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
#endif
  }
}

// A board in the middle of play: the givens and every other missing value of
// the solution typed in.
Board midSolve(const std::string& set) {
  Board b = setNamed(set).front().board;
  Board solved = b;
  FailureRecorder host;
  Engine(solved, host).solution(kSilent);
  bool take = true;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (inSubGrid(r, c, b.sud) && !isDigit(b.tab1[r][c]) && !isDigit(b.tab2[r][c])) {
        if (take) b.tab2[r][c] = solved.tab6[r][c];
        take = !take;
      }
  return b;
}

// One keystroke: a value typed into an empty cell, then the refresh.
template <class E, bool Pass>
void refresh(benchmark::State& state, const std::string& set) {
  Board b = midSolve(set);
  int r = 1, c = 1;
  while (isDigit(b.tab1[r][c]) || isDigit(b.tab2[r][c]) || !inSubGrid(r, c, b.sud)) (c == kField ? (++r, c = 1) : ++c);
  FailureRecorder host;
  E e(b, host);
  char typed = '1';
  for (auto _ : state) {
    b.tab2[r][c] = typed;
    typed = typed == '9' ? '0' : static_cast<char>(typed + 1);
    if (Pass)
      e.candidat();
    else
      e.rebuild(b.candid);
    benchmark::DoNotOptimize(b.candid);
  }
}

void registerRefresh() {
  for (const char* set : {"shipped-sudoku", "shipped-quincunx"}) {
    const std::string s = set;
    benchmark::RegisterBenchmark(("Refresh/rebuild/fast/" + s).c_str(), refresh<Engine, false>, s)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Refresh/candidat/fast/" + s).c_str(), refresh<Engine, true>, s)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Refresh/rebuild/literal/" + s).c_str(), refresh<ReferenceEngine, false>, s)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Refresh/candidat/literal/" + s).c_str(), refresh<ReferenceEngine, true>, s)
        ->Unit(benchmark::kMicrosecond);
  }
}

void printTable() {
  if (table().empty()) return;
  std::printf("\n%-18s %-8s %8s %12s %12s %12s %8s %10s %10s\n", "set", "solver", "puzzles", "mean_us", "median_us",
              "worst_us", "solved", "median_x", "worst_x");
  // median_x, worst_x: how many times the fast engine's time this solver takes.
  for (const auto& [set, solvers] : table()) {
    const auto fast = solvers.find("fast");
    for (const auto& [solver, f] : solvers) {
      std::printf("%-18s %-8s %8d %12.1f %12.1f %12.1f %8d", set.c_str(), solver.c_str(), f.puzzles, f.mean, f.median,
                  f.worst, f.solved);
      if (fast != solvers.end() && fast->second.median > 0)
        std::printf(" %10.1f %10.1f", f.median / fast->second.median, f.worst / fast->second.worst);
      std::printf("  worst: %s\n", f.worstName.c_str());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Our own option first: Google Benchmark rejects what it does not know.
  for (int k = 1; k < argc; ++k)
    if (std::string(argv[k]).rfind("--reps=", 0) == 0) {
      gReps = std::max(1, std::atoi(argv[k] + 7));
      for (int j = k; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  registerSolves();
  registerRefresh();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printTable();
  return 0;
}

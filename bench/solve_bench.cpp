// Silent solve over each puzzle set: one benchmark iteration solves the whole
// set; the counters give the per-puzzle median and worst time and the endings.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "files/puzzle_file.h"
#include "tests/support/puzzles.h"

namespace {

using namespace qx;

class Boxes : public SolverHost {
 public:
  void failureBox(int text) override { box = text; }
  int box = 0;
};

struct Loaded {
  Board board;
  Clue clue;
};

std::vector<Loaded> sudokuSet(const std::string& name) {
  std::vector<Loaded> set;
  for (const auto& p : test::loadSet(name)) set.push_back({test::sudokuBoard(p.puzzle), Clue{}});
  return set;
}

std::vector<Loaded> shippedPuzzles(int su) {
  std::vector<Loaded> set;
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(QX_DATA_DIR))
    if (entry.path().extension() == ".jeu") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    const int variant = f.filename() == "quincunn.jeu"   ? 0
                        : f.filename() == "quincuno.jeu" ? 1
                                                         : variantFromName(f.string(), -1);
    if (variant != su) continue;
    Loaded l;
    l.board.setVariant(su);
    if (lecture(f.string(), l.board.tab1, l.clue)) set.push_back(l);
  }
  return set;
}

void solveSet(benchmark::State& state, const std::vector<Loaded>& set) {
  std::vector<double> micros;
  int solved = 0, erroneous = 0, incomplete = 0;
  for (auto _ : state) {
    micros.clear();
    solved = erroneous = incomplete = 0;
    for (const Loaded& l : set) {
      Board b = l.board;
      placeClue(b, l.clue);
      Boxes host;
      Engine e(b, host);
      const auto t0 = std::chrono::steady_clock::now();
      e.solution(kSilent);
      const auto t1 = std::chrono::steady_clock::now();
      micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
      (host.box == 0 ? solved : host.box == kTextErroneous ? erroneous : incomplete)++;
      benchmark::DoNotOptimize(b.tab6);
    }
  }
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  state.counters["puzzles"] = static_cast<double>(set.size());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["worst_us"] = micros.back();
  state.counters["solved"] = solved;
  state.counters["erroneous"] = erroneous;
  state.counters["incomplete"] = incomplete;
}

void BM_SudokuEasy(benchmark::State& s) {
  static const auto set = sudokuSet("sudoku-easy");
  solveSet(s, set);
}
void BM_SudokuHard(benchmark::State& s) {
  static const auto set = sudokuSet("sudoku-hard");
  solveSet(s, set);
}
void BM_ShippedQuincunx(benchmark::State& s) {
  static const auto set = shippedPuzzles(0);
  solveSet(s, set);
}
void BM_ShippedSudoku(benchmark::State& s) {
  static const auto set = shippedPuzzles(1);
  solveSet(s, set);
}

BENCHMARK(BM_SudokuEasy)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_SudokuHard)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ShippedQuincunx)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ShippedSudoku)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();

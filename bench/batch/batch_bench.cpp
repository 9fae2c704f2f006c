// SPDX-License-Identifier: GPL-3.0-or-later
// --jobs: the same batch on one thread and on more, wall-clock time of the
// whole command (the point is the cores, so CPU time would not tell). The
// batches: 3,000 classic Sudoku lines for quincunx-solve (the public sets,
// twice over), solved by the written method and by --complete, and 50 Quincunx
// made by quincunx-gen. Compare the rows of one batch for the speed-up.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/puzzles.h"
#include "tools/gen/gen_cli.h"
#include "tools/solve/solve_cli.h"

namespace {

namespace fs = std::filesystem;

const fs::path& workDir() {
  static const fs::path dir = [] {
    const fs::path d = fs::temp_directory_path() / ("qx-batch-bench-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

const std::string& linesFile() {
  static const std::string path = [] {
    const auto p = (workDir() / "sudoku-3000.txt").string();
    std::ofstream out(p);
    int n = 0;
    for (int round = 0; round < 2; ++round)
      for (const char* set : {"sudoku-easy", "sudoku-hard"})
        for (const auto& puzzle : qx::test::loadSet(set)) {
          out << puzzle.puzzle << "\n";
          ++n;
        }
    return p;
  }();
  return path;
}

void solveLines(benchmark::State& state, const char* how) {
  const std::string jobs = std::to_string(state.range(0));
  std::vector<std::string> args = {"--jobs", jobs, "--lines", linesFile()};
  if (*how) args.insert(args.begin(), how);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::ostringstream out, err;
    if (qx::runSolveCli(args, out, err) != 0) state.SkipWithError("quincunx-solve failed");
    bytes = out.str().size();
  }
  state.counters["puzzles"] = 3000;
  state.counters["output_bytes"] = static_cast<double>(bytes);
}

void generate(benchmark::State& state, const char* rating) {
  const std::string jobs = std::to_string(state.range(0));
  const auto dir = (workDir() / ("gen-" + jobs)).string();
  for (auto _ : state) {
    std::ostringstream out, err;
    if (qx::runGenCli({"--variant", "quincunx", "--rating", rating, "--count", "50", "--out", dir, "--jobs", jobs},
                      out, err) != 0)
      state.SkipWithError("quincunx-gen failed");
  }
  state.counters["puzzles"] = 50;
}

BENCHMARK_CAPTURE(solveLines, written_3000_sudoku, "")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(solveLines, complete_3000_sudoku, "--complete")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(generate, quincunx_50_logic, "logic")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(generate, quincunx_50_deep, "deep")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::remove_all(workDir(), ec);
  return 0;
}

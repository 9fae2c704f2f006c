// SPDX-License-Identifier: GPL-3.0-or-later
// F2 to the new board: making the puzzle, writing it into the Jeux folder and
// opening it as the open command does, with the recording fake for a host.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "tests/support/fake_platform.h"
#include "ui/app.h"

namespace {

namespace fs = std::filesystem;

void NewPuzzle(benchmark::State& state) {
  const int su = static_cast<int>(state.range(0)), rating = static_cast<int>(state.range(1));
  const fs::path dir = fs::temp_directory_path() / ("qx-new-bench-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  qx::test::FakePlatform host;
  qx::App app(host, dir.string());
  app.startUp();
  for (auto _ : state) benchmark::DoNotOptimize(app.newPuzzle(su, rating));
  fs::remove_all(dir);
}
BENCHMARK(NewPuzzle)
    ->ArgNames({"su", "rating"})
    ->ArgsProduct({{1, 0}, {0, 1, 2, 3}})
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

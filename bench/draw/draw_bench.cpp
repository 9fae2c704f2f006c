// SPDX-License-Identifier: GPL-3.0-or-later
// Full redraws of a Quincunx board on the Qt surface, with and without the
// candidates, the pointer moving over the board, and plain single-digit
// texts. Runs offscreen on a 1280x1024 screen (cell size 47) unless
// QT_QPA_PLATFORM says otherwise; --dpr=K sets that screen's device pixel
// ratio, --no-text-cache paints every text through QPainter.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "files/puzzle_file.h"
#include "files/saved_state.h"
#include "platform/qt/qt_platform.h"
#include "ui/app.h"

namespace fs = std::filesystem;

namespace qx {
namespace {

// One program on one window, shared by every benchmark.
struct Session {
  fs::path dir;
  QtPlatform platform;
  std::unique_ptr<App> app;
  int placed = 0;

  Session(fs::path d, bool textCache) : dir(std::move(d)) {
    platform.setTextCache(textCache);
    Board b;
    Clue clue;
    if (!lecture(std::string(QX_DATA_DIR) + "/state/" + kPuzzleFile, b.tab1, clue))
      throw std::runtime_error("cannot read the start puzzle");
    if (!saveState(dir.string(), b, clue, Settings{}).ok)
      throw std::runtime_error("cannot write the state files");
    for (const char* f : {"quincunn.jeu", "quincuno.jeu"})
      fs::copy_file(fs::path(QX_DATA_DIR) / f, dir / f, fs::copy_options::overwrite_existing);

    app = std::make_unique<App>(platform, dir.string());
    app->startUp();
    // The start-up timer solves the puzzle behind the board (tab6).
    QElapsedTimer t;
    t.start();
    while (!solved() && t.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (!solved()) throw std::runtime_error("the start-up did not complete");
    // One empty cell in four gets its value, as in a game half played.
    Board& bd = app->b;
    int k = 0;
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (!isGapCell(r, c) && bd.tab1[r][c] == '0' && k++ % 4 == 0) {
          bd.tab2[r][c] = bd.tab6[r][c];
          ++placed;
        }
    app->candidateRefresh();
    QCoreApplication::processEvents();
  }
  bool solved() const {
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (app->b.tab6[r][c] != '0') return true;
    return false;
  }
  int givens() const {
    int n = 0;
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c) n += app->b.tab1[r][c] != '0';
    return n;
  }
  int candidatesShown() const {
    int n = 0;
    const Board& b = app->b;
    for (int r = 1; r <= b.sue; ++r)
      for (int c = 1; c <= b.sue; ++c)
        for (int d = 1; d <= 9; ++d) n += b.candid[r][c][d] == '1' && b.candie[r][c][d] == '1';
    return n;
  }
};

Session* session = nullptr;

void counters(benchmark::State& state, int cand) {
  state.counters["h"] = session->app->g.hh;
  state.counters["givens"] = session->givens();
  state.counters["placed"] = session->placed;
  if (cand) state.counters["candidates"] = session->candidatesShown();
}

// The whole board drawn again over itself, as each redraw does.
void redraw(benchmark::State& state, int cand) {
  App& a = *session->app;
  a.m.cand = cand;
  for (auto _ : state) a.affich();
  a.m.cand = 0;
  counters(state, cand);
}

// The pointer going from cell to cell: the redraw that follows each move,
// then the event loop's repaint of what changed.
void pointerMoves(benchmark::State& state, int cand) {
  App& a = *session->app;
  a.m.cand = cand;
  int k = 0;
  for (auto _ : state) {
    int r = 0, c = 0;
    do {
      ++k;
      c = 1 + k % kField;
      r = 1 + (k / kField * 5 + k) % kField;
    } while (isGapCell(r, c));
    a.nx = c;
    a.ny = r;
    a.affich();
    a.nxa = c;
    a.nya = r;
    QCoreApplication::processEvents();
  }
  a.m.cand = 0;
  counters(state, cand);
}

void BM_Affich(benchmark::State& state) { redraw(state, 0); }
void BM_AffichCandidates(benchmark::State& state) { redraw(state, 1); }
void BM_PointerMove(benchmark::State& state) { pointerMoves(state, 0); }
void BM_PointerMoveCandidates(benchmark::State& state) { pointerMoves(state, 1); }

// 1000 single digits in the cell font, spread over the board in four colours.
void BM_Text1000Digits(benchmark::State& state) {
  QtPlatform& p = session->platform;
  const int h = session->app->g.hh;
  static constexpr char kDigits[] = "123456789";
  static constexpr Colour kColours[] = {0, 0x0000FF, 0x808080, 0xFF00C0};
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      const int cell = i % 441;
      p.text({(cell % 21) * h + 10, (cell / 21) * h + 8}, {&kDigits[i % 9], 1}, FontRole::Digits,
             kColours[i % 4]);
    }
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}

BENCHMARK(BM_Affich)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AffichCandidates)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PointerMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PointerMoveCandidates)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Text1000Digits)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  struct TempDir {
    fs::path path = fs::temp_directory_path() / ("qx-draw-bench-" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
  } temp;
  const fs::path& dir = temp.path;
  // Ours, taken out before the benchmark library reads the rest.
  std::string dpr = "1";
  bool textCache = true;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--dpr=", 0) == 0) {
      dpr = a.substr(6);
    } else if (a == "--no-text-cache") {
      textCache = false;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    // A 1280x1024 screen gives the program its largest cells, 47 pixels.
    const fs::path config = dir / "screen.json";
    std::ofstream(config) << R"({"screens":[{"name":"bench","x":0,"y":0,"width":1280,)"
                             R"("height":1024,"logicalDpi":96,"logicalBaseDpi":96,"dpr":)" << dpr << "}]}";
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config.string()).c_str());
  }
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  try {
    qx::Session s(dir, textCache);
    qx::session = &s;
    benchmark::RunSpecifiedBenchmarks();
    qx::session = nullptr;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "draw_bench: %s\n", e.what());
    return 1;
  }
  benchmark::Shutdown();
  return 0;
}

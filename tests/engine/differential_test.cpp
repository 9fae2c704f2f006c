// SPDX-License-Identifier: GPL-3.0-or-later
// The fast Engine against the literal ReferenceEngine: both run the same calls
// on copies of one board, and after every call the whole board, the engine's
// counters and everything the host was told must be the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tests/support/reference_engine.h"
#include "files/puzzle_file.h"
#include "tests/support/puzzles.h"

namespace qx {
namespace {

// The sanitizer build is several times slower: there it takes every Nth
// puzzle of the big sets and fewer random boards.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kStride = 4;
constexpr int kRandomBoards = 50;
#else
constexpr int kStride = 1;
constexpr int kRandomBoards = 100;
#endif

std::uint64_t hashBytes(const void* p, std::size_t n, std::uint64_t h = 1469598103934665603ull) {
  const auto* s = static_cast<const unsigned char*>(p);
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s + i, 8);
    h = (h ^ w) * 1099511628211ull;
    h ^= h >> 29;
  }
  for (; i < n; ++i) h = (h ^ s[i]) * 1099511628211ull;
  return h;
}

// Logs every host call, and for those that may paint, what the board showed.
class Recorder : public SolverHost {
 public:
  explicit Recorder(const Board& b) : b_(b) {}
  void nessage() override {
    note('n');
    ++pumps;
    if (closeAfter > 0 && pumps >= closeAfter) closed = 1;
  }
  int termine() const override {
    log.push_back({'t', 0});
    return closed;
  }
  void waitCursor() override { log.push_back({'w', 0}); }
  void clearClientArea() override { note('c'); }
  void redraw() override { note('r'); }
  void failureBox(int text) override { note(static_cast<char>('0' + text - kTextErroneous)); }

  struct Entry {
    char kind;
    std::uint64_t board;
    bool operator==(const Entry&) const = default;
  };
  mutable std::vector<Entry> log;
  int pumps = 0;
  int closeAfter = 0;
  int closed = 0;

 private:
  void note(char kind) {
    std::uint64_t h = hashBytes(&b_.tab2, sizeof b_.tab2);
    h = hashBytes(&b_.candid, sizeof b_.candid, h);
    log.push_back({kind, hashBytes(&b_.candig, sizeof b_.candig, h)});
  }
  const Board& b_;
};

struct Totals {
  long boards = 0;
  long calls = 0;
  ~Totals() { std::cout << "[differential] boards " << boards << ", calls compared " << calls << "\n"; }
};
Totals totals;

std::string firstDifference(const Board& f, const Board& r) {
  auto grid = [](const char* name, const Grid& a, const Grid& b) -> std::string {
    for (int i = 0; i < kSize; ++i)
      for (int j = 0; j < kSize; ++j)
        if (a[i][j] != b[i][j])
          return std::string(name) + "[" + std::to_string(i) + "][" + std::to_string(j) + "] fast '" + a[i][j] +
                 "' literal '" + b[i][j] + "'";
    return "";
  };
  auto cands = [](const char* name, const Cands& a, const Cands& b) -> std::string {
    for (int i = 0; i < kSize; ++i)
      for (int j = 0; j < kSize; ++j)
        for (int d = 0; d < 10; ++d)
          if (a[i][j][d] != b[i][j][d])
            return std::string(name) + "[" + std::to_string(i) + "][" + std::to_string(j) + "][" +
                   std::to_string(d) + "] fast '" + a[i][j][d] + "' literal '" + b[i][j][d] + "'";
    return "";
  };
  for (auto s : {grid("tab1", f.tab1, r.tab1), grid("tab2", f.tab2, r.tab2), grid("tab3", f.tab3, r.tab3),
                 grid("tab6", f.tab6, r.tab6), grid("tab7", f.tab7, r.tab7), grid("tabp", f.tabp, r.tabp),
                 grid("tabq", f.tabq, r.tabq), cands("candid", f.candid, r.candid),
                 cands("candig", f.candig, r.candig), cands("candie", f.candie, r.candie),
                 cands("candif", f.candif, r.candif)})
    if (!s.empty()) return s;
  if (f.su != r.su || f.sue != r.sue || f.sud != r.sud) return "game type";
  return "";
}

// Both engines on copies of one board.
class Twin {
 public:
  explicit Twin(const Board& start) : fb_(start), rb_(start) { ++totals.boards; }

  // Runs f on both engines and compares; false (and a failure) on the first difference.
  bool both(const std::string& what, const std::function<int(Engine&)>& f,
            const std::function<int(ReferenceEngine&)>& g) {
    if (failed_) return false;
    const int a = f(fast_), b = g(ref_);
    ++totals.calls;
    std::string diff = firstDifference(fb_, rb_);
    if (a != b) diff = "result " + std::to_string(a) + " vs " + std::to_string(b);
    if (fast_.trois != ref_.trois || fast_.trouv != ref_.trouv || fast_.trouves != ref_.trouves ||
        fast_.placedByTrials != ref_.placedByTrials)
      diff = "counters trois/trouv/trouves/placedByTrials";
    if (fh_.log != rh_.log) {
      std::size_t k = 0;
      while (k < fh_.log.size() && k < rh_.log.size() && fh_.log[k] == rh_.log[k]) ++k;
      diff = "host call " + std::to_string(k) + " of " + std::to_string(fh_.log.size()) + "/" +
             std::to_string(rh_.log.size()) +
             (k < fh_.log.size() ? std::string(" fast '") + fh_.log[k].kind + "'" : "") +
             (k < rh_.log.size() ? std::string(" literal '") + rh_.log[k].kind + "'" : "");
    }
    if (diff.empty()) return true;
    failed_ = true;
    ADD_FAILURE() << name << ": after " << what << ": " << diff;
    return false;
  }

  // The same call spelled once for both engine types.
  template <class F>
  bool call(const std::string& what, F f) {
    return both(what, [&](Engine& e) { return f(e); }, [&](ReferenceEngine& e) { return f(e); });
  }

  // Lets the caller change both boards alike between calls.
  template <class F>
  void edit(F f) {
    f(fb_);
    f(rb_);
  }
  void setTrois(int v) { fast_.trois = ref_.trois = v; }
  void closeAfter(int pumps) { fh_.closeAfter = rh_.closeAfter = pumps; }
  bool failed() const { return failed_; }

  std::string name;

 private:
  Board fb_, rb_;
  Recorder fh_{fb_}, rh_{rb_};
  Engine fast_{fb_, fh_};
  ReferenceEngine ref_{rb_, rh_};
  bool failed_ = false;
};

// ---- the calls ----

// Each method until it reports nothing, on whatever the arrays hold now.
void methodsToRest(Twin& t, const std::vector<int>& order, const std::string& tag) {
  static const char* names[] = {"unique", "un", "align", "couple", "unique1", "un1", "align1", "couple1"};
  for (int which : order) {
    for (int round = 0; round < 12; ++round) {
      int got = 0;
      const bool same = t.call(tag + names[which], [&](auto& e) {
        switch (which) {
          case 0: return got = e.unique();
          case 1: return got = e.un();
          case 2: return got = e.align();
          case 3: return got = e.couple();
          case 4: return got = e.unique1();
          case 5: return got = e.un1();
          case 6: return got = e.align1();
          default: return got = e.couple1();
        }
      });
      if (!same || got == 0) break;
    }
    if (t.failed()) return;
  }
}

// trouver for the nine digits and for odd arguments, the rebuild of both
// arrays, the methods on rebuilt candidates, the logical pass with and without
// the three-candidate sweep, the sweep alone, and one two-candidate sweep.
void engineCalls(Twin& t, std::mt19937& rng) {
  for (int d : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 10, -1, 265, static_cast<int>(rng() % 300) - 20})
    t.call("trouver(" + std::to_string(d) + ")", [d](auto& e) { return e.trouver(d), 0; });
  t.call("rebuild(candid)", [](auto& e) { return e.rebuild(e.board().candid), 0; });
  t.call("rebuild(candig)", [](auto& e) { return e.rebuild(e.board().candig), 0; });
  std::vector<int> order{0, 1, 2, 3, 4, 5, 6, 7};
  std::shuffle(order.begin(), order.end(), rng);
  methodsToRest(t, order, "");
  t.setTrois(0);
  t.call("candidat", [](auto& e) { return e.candidat(), 0; });
  t.call("rebuild(candig)", [](auto& e) { return e.rebuild(e.board().candig), 0; });
  t.call("troise", [](auto& e) { return e.troise(); });
  t.setTrois(1);
  t.call("candidat with trois", [](auto& e) { return e.candidat(), 0; });
  t.call("impo", [](auto& e) { return e.impo(); });
}

// What runs on one board: the solves in modes 0 and 5 always; the engine
// calls, the shown solve and a solve stopped by closing the window on demand.
struct Plan {
  bool calls = true;
  bool shown = true;
  bool close = false;
};

void run(const Board& start, const std::string& name, std::mt19937& rng, Plan plan) {
  if (plan.calls) {
    Twin t(start);
    t.name = name;
    engineCalls(t, rng);
  }
  for (int mode : {kSilent, kShown, kObvious}) {
    if (mode == kShown && !plan.shown) continue;
    Twin t(start);
    t.name = name + " mode " + std::to_string(mode);
    t.call("solution", [mode](auto& e) { return e.solution(mode), 0; });
  }
  if (plan.close) {
    Twin t(start);
    const int after = 1 + static_cast<int>(rng() % 120);
    t.name = name + " closed after " + std::to_string(after) + " pumps";
    t.closeAfter(after);
    t.call("solution", [](auto& e) { return e.solution(kShown), 0; });
  }
}

// ---- boards ----

char randomDigit(std::mt19937& rng) { return static_cast<char>('1' + rng() % 9); }

// Candidate arrays as nobody's rebuild would leave them: random flags in every
// cell (gaps included), now and then a character that is neither '0' nor '1',
// and garbage in the slots nothing may touch.
void scribble(Cands& k, std::mt19937& rng, int percent, bool odd) {
  for (int r = 0; r < kSize; ++r)
    for (int c = 0; c < kSize; ++c)
      for (int d = 0; d < 10; ++d) {
        const bool unused = r == 0 || c == 0 || d == 0;
        char f = static_cast<int>(rng() % 100) < percent ? '1' : '0';
        if (unused || (odd && rng() % 40 == 0)) f = "x 2#"[rng() % 4];
        k[r][c][d] = f;
      }
}

// Random givens (contradictions welcome), random tab2 values, odd characters.
Board randomBoard(std::mt19937& rng, bool quincunx) {
  Board b;
  b.setVariant(quincunx ? 0 : 1);
  if (quincunx) {
    const Grid full = test::fullQuincunx(rng());
    const int keep = 35 + static_cast<int>(rng() % 50);  // percent of the solution kept
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (!isGapCell(r, c) && static_cast<int>(rng() % 100) < keep) b.tab1[r][c] = full[r][c];
  } else {
    const int givens = 10 + static_cast<int>(rng() % 30);
    for (int k = 0; k < givens; ++k) b.tab1[1 + rng() % 9][1 + rng() % 9] = randomDigit(rng);
  }
  const int extent = quincunx ? kField : 9;
  const int wrong = static_cast<int>(rng() % 4);
  for (int k = 0; k < wrong; ++k) b.tab1[1 + rng() % extent][1 + rng() % extent] = randomDigit(rng);
  const int placed = static_cast<int>(rng() % 8);
  for (int k = 0; k < placed; ++k) b.tab2[1 + rng() % extent][1 + rng() % extent] = randomDigit(rng);
  if (rng() % 3 == 0) {
    Grid& g = rng() % 2 ? b.tab1 : b.tab2;
    g[1 + rng() % extent][1 + rng() % extent] = " x:/"[rng() % 4];
  }
  if (!quincunx && rng() % 4 == 0)  // a Sudoku with stray values in the other grids
    for (int k = 0; k < 3; ++k) b.tab1[10 + rng() % 12][1 + rng() % kField] = randomDigit(rng);
  if (rng() % 4 == 0)  // blanks in the gaps, as a data reset leaves them
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (isGapCell(r, c)) b.tab1[r][c] = ' ';
  if (rng() % 10 == 0) b.sud = static_cast<int>(rng() % 9) - 2;  // sud set by hand: 2, 3, 4 or out of range
  return b;
}

// Every puzzle of a set is solved in modes 0 and 5; the literal engine is too
// slow to also take every puzzle through the other calls within the time we
// allow, so those go to every callsEvery-th and shownEvery-th puzzle.
void runSet(const std::string& set, int callsEvery, int shownEvery) {
  const auto puzzles = test::loadSet(set);
  std::mt19937 rng(7);
  for (int p = 0; p < static_cast<int>(puzzles.size()); p += kStride) {
    const Plan plan{p % (callsEvery * kStride) == 0, p % (shownEvery * kStride) == 0, p % (25 * kStride) == 0};
    run(test::sudokuBoard(puzzles[p].puzzle), set + " line " + std::to_string(p + 1), rng, plan);
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(Differential, SudokuEasySet) { runSet("sudoku-easy", 4, 4); }

TEST(Differential, SudokuHardSet) { runSet("sudoku-hard", 20, 10); }

// The literal engine needs seconds for a deep Quincunx: every shipped puzzle
// is solved in modes 0 and 5, the defaults and the first of each kind go
// through every call, and the sanitizer build leaves the deep Quincunx
// puzzles to the optimised one.
TEST(Differential, ShippedPuzzles) {
  const auto set = test::shippedPuzzles();
  ASSERT_GE(set.size(), 2u);
  std::mt19937 rng(11);
  for (const auto& [name, board] : set) {
    if (kStride > 1 && name.starts_with("quincunx-deep")) continue;
    const bool full = name == kDefaultQuincunx || name == kDefaultSudoku || name.ends_with("-1.jeu");
    run(board, name, rng, full ? Plan{true, true, true} : Plan{false, false, false});
    if (HasFailure()) return;
  }
}

TEST(Differential, RandomBoards) {
  std::mt19937 rng(2024);
  for (int k = 0; k < kRandomBoards && !HasFailure(); ++k) {
    const bool quincunx = k % 2 == 1;
    run(randomBoard(rng, quincunx), std::string(quincunx ? "quincunx" : "sudoku") + " board " + std::to_string(k), rng,
        {true, true, k % 5 == 0});
  }
}

// Boards that end in trials, in both variants: a known solution (its digits
// relabelled) with most of it taken away, or a known puzzle with some of its
// givens taken away; many have several solutions, and some of those that
// reach a dead end erroneous. The silent solve is compared on all, and the
// test insists that most of them needed trials, so it keeps testing them.
TEST(Differential, TrialHeavyBoards) {
  std::vector<std::string> sudokuSolutions, sudokuPuzzles;
  for (const auto& p : test::loadSet("sudoku-hard")) {
    sudokuSolutions.push_back(p.solution);
    sudokuPuzzles.push_back(p.puzzle);
  }
  std::vector<Board> quincunx;  // shipped puzzles with their solution in tab6
  for (const auto& [name, board] : test::shippedPuzzles())
    if (board.su == 0) {
      Board b = board;
      SolverHost quiet;
      Engine(b, quiet).solution(kSilent);
      if (!test::isSolved(b)) continue;
      quincunx.push_back(board);
      quincunx.back().tab6 = b.tab6;
    }
  ASSERT_GE(quincunx.size(), 10u);

  struct Kind {
    bool quincunx;
    bool fromSolution;  // else from a puzzle
    int count;          // boards of this kind (the sanitizer build takes every kStride-th)
    int lowPercent, highPercent;  // of the solution kept, or of the givens taken away
  };
  // The literal engine needs a second or more for trials on five grids: few of them.
  const Kind kinds[] = {{false, true, 160, 24, 36}, {false, false, 120, 8, 30},
                        {true, true, 4, 30, 38}, {true, false, 4, 8, 15}};
  std::mt19937 rng(4242);
  int trials = 0, boards = 0;
  for (const Kind& kind : kinds) {
    const int count = (kind.count + kStride - 1) / kStride;
    for (int k = 0; k < count && !HasFailure(); ++k) {
      const int percent = kind.lowPercent + static_cast<int>(rng() % (kind.highPercent - kind.lowPercent + 1));
      std::array<char, 10> label = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
      std::shuffle(label.begin() + 1, label.end(), rng);
      Board b;
      b.setVariant(kind.quincunx ? 0 : 1);
      const Board* q = kind.quincunx ? &quincunx[rng() % quincunx.size()] : nullptr;
      const std::size_t pick = rng() % sudokuSolutions.size();
      for (int r = 1; r <= kField; ++r)
        for (int c = 1; c <= kField; ++c) {
          char given = '0';
          if (!kind.quincunx && r <= 9 && c <= 9) {
            const std::string& from = kind.fromSolution ? sudokuSolutions[pick] : sudokuPuzzles[pick];
            given = from[(r - 1) * 9 + c - 1] == '.' ? '0' : from[(r - 1) * 9 + c - 1];
          } else if (kind.quincunx) {
            given = kind.fromSolution ? q->tab6[r][c] : (isDigit(q->tab1[r][c]) ? q->tab1[r][c] : '0');
          }
          if (!isDigit(given)) continue;
          const bool keep = kind.fromSolution ? static_cast<int>(rng() % 100) < percent
                                              : static_cast<int>(rng() % 100) >= percent;
          if (keep) b.tab1[r][c] = label[given - '0'];
        }
      Twin t(b);
      t.name = std::string(kind.quincunx ? "quincunx" : "sudoku") + (kind.fromSolution ? " thinned solution " : " thinned puzzle ") +
               std::to_string(k);
      int placed = 0, stalled = 0;
      t.both(
          "solution",
          [&](Engine& e) {
            e.solution(kSilent);
            placed = e.placedByTrials;
            stalled = e.trouv;
            return 0;
          },
          [](ReferenceEngine& e) { return e.solution(kSilent), 0; });
      ++boards;
      trials += placed > 0 || stalled == 1;
    }
  }
  std::cout << "[differential] trial-heavy boards " << boards << ", of them ending in trials " << trials << "\n";
  EXPECT_GE(trials * 10, boards * 7);
}

// The methods and their twins on hand-made candidate arrays, and the sweeps
// that start from whatever candid holds.
TEST(Differential, HandMadeCandidates) {
  std::mt19937 rng(99);
  for (int k = 0; k < kRandomBoards && !HasFailure(); ++k) {
    const bool quincunx = k % 2 == 1;
    Board start = randomBoard(rng, quincunx);
    const int percent = 10 + static_cast<int>(rng() % 70);
    scribble(start.candid, rng, percent, k % 3 == 0);
    scribble(start.candig, rng, percent, k % 3 == 0);
    Twin t(start);
    t.name = "hand-made " + std::to_string(k);
    methodsToRest(t, {0, 1, 2, 3, 4, 5, 6, 7}, "");
    // Each method alone on a fresh copy of the arrays.
    for (int m = 0; m < 4; ++m) {
      t.edit([&](Board& b) {
        b.candid = start.candid;
        b.candig = start.candig;
      });
      methodsToRest(t, {m, m + 4}, "fresh ");
    }
    if (quincunx && k % 5 != 1) continue;  // the literal sweeps are slow on five grids
    t.edit([&](Board& b) { b.candid = start.candig; });
    t.call("troise", [](auto& e) { return e.troise(); });
    t.edit([&](Board& b) { b.candid = start.candid; });
    t.call("impo", [](auto& e) { return e.impo(); });
  }
}

}  // namespace
}  // namespace qx

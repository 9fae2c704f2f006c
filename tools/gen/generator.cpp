// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gen/generator.h"

#include <map>
#include <memory>
#include <vector>

#include "engine/engine.h"

namespace qx::gen {

namespace {

constexpr const char* kNames[] = {"singles", "logic", "trials", "deep", "unsolved"};

bool filled(const Board& b) {
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (inSubGrid(r, c, b.sud) && !isDigit(b.tab1[r][c]) && !isDigit(b.tab2[r][c])) return false;
  return true;
}

std::unique_ptr<Board> loaded(const Grid& tab1, const Clue& clue, int su) {
  auto b = std::make_unique<Board>();
  b->setVariant(su);
  b->tab1 = tab1;
  placeClue(*b, clue);
  return b;
}

// The board a solve left, givens included, against the known solution.
bool leftSolution(const Board& b, const Grid& solution) {
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (inSubGrid(r, c, b.sud) && (isDigit(b.tab1[r][c]) ? b.tab1[r][c] : b.tab2[r][c]) != solution[r][c])
        return false;
  return true;
}

// A silent solve that stops once it is known to need more than a wanted
// rating: at its first two-candidate trial, or when it turns to
// three-candidate trials. Outside trials a silent solve pumps messages only
// once it is done.
class StoppingHost : public FailureRecorder {
 public:
  explicit StoppingHost(Rating want) : want_(want) {}
  void nessage() override { pumped_ = true; }
  int termine() const override {
    return (want_ == Rating::kLogic && pumped_) || (want_ == Rating::kTrials && engine && engine->trouv == 1);
  }
  const Engine* engine = nullptr;  // the solve it serves

 private:
  Rating want_;
  bool pumped_ = false;
};

// The engine's verdict, kept only when its board is the known solution, as
// far as generation asks: with exact, what rate says; otherwise exact up to
// want, and any rating above want (kUnsolved when the solve stopped early)
// only means above it. Cheap methods first: the obvious resolution decides
// alone when it fills the board, and is not run when telling singles from
// logic cannot matter.
Rating rateAgainst(const Grid& tab1, const Clue& clue, int su, const Grid& solution, Rating want,
                   bool exact = false) {
  if (exact) {
    const Verdict v = rate(tab1, clue, su);
    if (v.rating == Rating::kUnsolved) return v.rating;
    Board b;
    b.setVariant(su);
    b.tab2 = v.board;
    return leftSolution(b, solution) ? v.rating : Rating::kUnsolved;
  }
  if (want <= Rating::kLogic) {
    auto b = loaded(tab1, clue, su);
    FailureRecorder host;
    Engine(*b, host).solution(kObvious);
    if (filled(*b)) return leftSolution(*b, solution) ? Rating::kSingles : Rating::kUnsolved;
    if (want == Rating::kSingles) return Rating::kUnsolved;
  }
  auto b = loaded(tab1, clue, su);
  StoppingHost host(want);
  Engine engine(*b, host);
  host.engine = &engine;
  engine.solution(kSilent);
  if (host.box != 0 || !filled(*b) || !leftSolution(*b, solution)) return Rating::kUnsolved;
  if (engine.trouv == 1) return Rating::kDeep;
  return engine.placedByTrials > 0 ? Rating::kTrials : Rating::kLogic;
}

// The cells taken away or put back together: one cell, or a cell with its
// mirror through the centre of the field in use.
std::vector<std::vector<int>> cellGroups(const ExactField& f, bool symmetric) {
  std::vector<std::vector<int>> groups;
  const int turn = f.sud() == 1 ? 10 : 22;
  for (int x = 0; x < f.cells(); ++x) {
    if (!symmetric) {
      groups.push_back({x});
      continue;
    }
    const int y = f.index(turn - f.row(x), turn - f.col(x));
    if (y == x) groups.push_back({x});
    else if (x < y) groups.push_back({x, y});
  }
  return groups;
}

void setCells(Grid& g, const ExactField& f, const std::vector<int>& cells, const Grid& from) {
  for (int x : cells) g[f.row(x)][f.col(x)] = from[f.row(x)][f.col(x)];
}

void clearCells(Grid& g, const ExactField& f, const std::vector<int>& cells) {
  for (int x : cells) g[f.row(x)][f.col(x)] = '0';
}

// The puzzle had the single solution full before the cells of g were taken
// away; another solution would differ from it in one of them, the first such
// cell holding another digit while the earlier ones keep theirs.
bool stillUnique(ExactSolver& solver, Grid probe, const std::vector<int>& g, const Grid& full) {
  const ExactField& f = solver.field();
  for (int x : g) {
    const int r = f.row(x), c = f.col(x);
    // A single brings the value straight back: nothing for a search to find.
    if (!solver.forced(probe, r, c, full[r][c]) && solver.countExcept(probe, r, c, full[r][c], 1, &full) > 0)
      return false;
    probe[r][c] = full[r][c];
  }
  return true;
}

int countGivens(const Grid& g, const ExactField& f) {
  int n = 0;
  for (int x = 0; x < f.cells(); ++x) n += isDigit(g[f.row(x)][f.col(x)]);
  return n;
}

// How many cells of a puzzle beyond the engine are tried as its hidden clue.
constexpr int kClueCells = 8;
// How many orders of putting givens back are tried on one minimal puzzle.
constexpr int kRefills = 3;

}  // namespace

const char* ratingName(Rating r) { return kNames[static_cast<int>(r)]; }

std::optional<Rating> parseRating(std::string_view name) {
  for (int k = 0; k < 4; ++k)
    if (name == kNames[k]) return static_cast<Rating>(k);
  return std::nullopt;
}

Verdict rate(const Grid& tab1, const Clue& clue, int su) {
  Verdict v;
  {
    // A board the obvious resolution fills is one the silent solve fills too.
    auto b = loaded(tab1, clue, su);
    FailureRecorder host;
    Engine(*b, host).solution(kObvious);
    if (filled(*b)) {
      v.rating = Rating::kSingles;
      v.board = b->tab2;
      for (int r = 1; r <= kField; ++r)
        for (int c = 1; c <= kField; ++c)
          if (isDigit(b->tab1[r][c])) v.board[r][c] = b->tab1[r][c];
      return v;
    }
  }
  auto b = loaded(tab1, clue, su);
  FailureRecorder host;
  Engine engine(*b, host);
  engine.solution(kSilent);
  v.board = b->tab2;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (isDigit(b->tab1[r][c])) v.board[r][c] = b->tab1[r][c];
  const bool solved = host.box == 0 && filled(*b);
  if (!solved) v.rating = Rating::kUnsolved;
  else if (engine.trouv == 1) v.rating = Rating::kDeep;
  else if (engine.placedByTrials > 0) v.rating = Rating::kTrials;
  else v.rating = Rating::kLogic;
  return v;
}

std::optional<Puzzle> generate(const GenOptions& opt, std::uint32_t seed, int n) {
  std::seed_seq seq{seed, static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(opt.su),
                    static_cast<std::uint32_t>(opt.rating)};
  Rng rng(seq);
  ExactSolver solver(opt.su == 0 ? 5 : 1);
  const ExactField& f = solver.field();
  const Rating want = opt.rating;

  for (int attempt = 1; attempt <= opt.tries; ++attempt) {
    const Grid full = solver.randomFull(rng);
    auto done = [&](const Grid& tab1, const Clue& clue, Rating r) {
      return Puzzle{tab1, clue, full, r, countGivens(tab1, f), attempt};
    };

    // Down to a minimal unique puzzle: no group can go without a second solution.
    auto groups = cellGroups(f, opt.symmetric);
    shuffle(groups, rng);
    Grid minimal = full;
    std::vector<std::vector<int>> removed;
    for (const auto& g : groups) {
      clearCells(minimal, f, g);
      if (stillUnique(solver, minimal, g, full)) removed.push_back(g);
      else setCells(minimal, f, g, full);
    }

    const Rating hardest = rateAgainst(minimal, Clue{}, opt.su, full, want, true);
    if (hardest == want) return done(minimal, Clue{}, hardest);
    if (hardest < want) continue;  // even the fewest givens are too easy

    if (hardest == Rating::kUnsolved && opt.allowClue) {
      std::vector<int> empty;
      for (const auto& g : removed) empty.insert(empty.end(), g.begin(), g.end());
      shuffle(empty, rng);
      for (int k = 0; k < kClueCells && k < static_cast<int>(empty.size()); ++k) {
        const int r = f.row(empty[k]), c = f.col(empty[k]);
        const Clue clue{1, r, c, full[r][c]};
        if (rateAgainst(minimal, clue, opt.su, full, want) == want) return done(minimal, clue, want);
      }
    }

    // Put givens back: the puzzle gets easier as they return, so the fewest
    // givens that bring it down to the wanted rating are found by halving.
    for (int refill = 0; refill < kRefills; ++refill) {
      auto back = removed;
      shuffle(back, rng);
      std::map<int, Rating> seen{{0, hardest}};
      auto withBack = [&](int k) {
        Grid g = minimal;
        for (int i = 0; i < k; ++i) setCells(g, f, back[i], full);
        return g;
      };
      auto ratingAt = [&](int k) {
        auto it = seen.find(k);
        if (it == seen.end()) it = seen.emplace(k, rateAgainst(withBack(k), Clue{}, opt.su, full, want)).first;
        return it->second;
      };
      int lo = 0, hi = static_cast<int>(back.size());  // ratingAt(lo) > want, full board: singles
      while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        (ratingAt(mid) <= want ? hi : lo) = mid;
      }
      if (ratingAt(hi) == want) return done(withBack(hi), Clue{}, want);
    }
  }
  return std::nullopt;
}

}  // namespace qx::gen

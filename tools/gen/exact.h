#pragma once
// A complete solver over the rules of the sub-grids 1..sud, independent of the
// program's engine: candidate masks, naked and hidden singles, and
// backtracking on the cell with the fewest candidates. The generator uses it
// to prove that a puzzle has exactly one solution and to draw full boards.
//
// A corner grid of a Quincunx meets the rest only through its shared domain.
// The search fills the shared domains first; a corner whose domain is filled
// is then counted on its own and the counts multiplied. Otherwise a dead end
// in one corner would be found again under every choice made in another.

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/board.h"

namespace qx::gen {

using Rng = std::mt19937;

// A draw in 0..n-1. Plain modulo so that a seed gives the same puzzles with
// every standard library.
inline int below(Rng& rng, int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }

template <class T>
void shuffle(std::vector<T>& v, Rng& rng) {
  for (int i = static_cast<int>(v.size()) - 1; i > 0; --i) std::swap(v[i], v[below(rng, i + 1)]);
}

// The cells and units of sub-grids 1..sud (1 for a Sudoku, 5 for a Quincunx).
// A shared domain is one unit, not two.
class Field {
 public:
  static constexpr int kMaxCells = 369;
  // Parts: the cells of corner k (0..3 for grids 1, 2, 4, 5) outside its
  // shared domain, then the rest of the field. A Sudoku is part 4 alone.
  static constexpr int kCentre = 4;

  explicit Field(int sud);

  int sud() const { return sud_; }
  int cells() const { return static_cast<int>(rc_.size()); }
  int row(int x) const { return rc_[x].first; }
  int col(int x) const { return rc_[x].second; }
  // Cell number of (r, c), or -1 outside the sub-grids.
  int index(int r, int c) const { return at_[r][c]; }
  const std::vector<std::array<int, 9>>& units() const { return units_; }
  const std::vector<int>& peers(int x) const { return peers_[x]; }
  int part(int x) const { return part_[x]; }
  bool isShared(int x) const { return isShared_[x]; }
  // The nine cells corner k shares with the centre.
  const std::array<int, 9>& shared(int k) const { return shared_[k]; }

 private:
  int sud_;
  std::vector<std::pair<int, int>> rc_;
  std::array<std::array<int, kSize>, kSize> at_;
  std::vector<std::array<int, 9>> units_;
  std::vector<std::vector<int>> peers_;
  std::vector<int> part_;
  std::vector<char> isShared_;
  std::array<std::array<int, 9>, 4> shared_{};
};

class ExactSolver {
 public:
  explicit ExactSolver(int sud) : field_(sud) {}

  const Field& field() const { return field_; }

  // Solutions of the digits of tab1 standing in the sub-grids (any other
  // character is an empty cell), counted up to limit. When there is one, a
  // solution goes to *first (cells outside the sub-grids '0').
  int count(const Grid& tab1, int limit, Grid* first = nullptr);

  // Solutions, up to limit, in which cell (r, c) does not hold digit d (all
  // of them when the cell lies outside the sub-grids).
  // After taking one given away from a puzzle with a single solution, a
  // second solution must differ there: searching for it directly is much
  // faster than counting to two.
  int countExcept(const Grid& tab1, int r, int c, char d, int limit);

  // A random complete board: every sub-grid a valid Sudoku, shared domains
  // included; cells outside the sub-grids '0'.
  Grid randomFull(Rng& rng);

 private:
  using Values = std::array<std::uint8_t, Field::kMaxCells>;
  struct State {
    std::array<std::uint16_t, Field::kMaxCells> cand;  // bit d - 1 for digit d
    Values val;                                        // 0 while open
  };

  bool assign(State& s, int x, std::uint16_t bit);
  bool propagate(State& s);
  bool load(const Grid& tab1, State& s);
  void begin(int limit, bool record);
  int solve(const State& s, unsigned parts);

  Field field_;
  std::vector<int> queue_;
  // Per call.
  int limit_ = 0;
  bool record_ = false;  // keep a solution in sol_
  Values sol_{};
  Rng* rng_ = nullptr;   // set while drawing a random board
  long nodes_ = 0;
  long nodeBudget_ = 0;  // search nodes allowed; 0: no bound
};

}  // namespace qx::gen

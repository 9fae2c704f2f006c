// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A complete solver over the rules of the sub-grids 1..sud, beside the
// program's written method: candidate masks, naked and hidden singles, box
// and line intersections, and a search on the open cell with the fewest
// candidates. It proves uniqueness for the generator and the command line,
// and finishes what the written method leaves incomplete; the window never
// uses it.
//
// A corner grid of a Quincunx meets the rest only through its shared domain.
// The search fills the shared domains first; a corner whose domain is filled
// is then counted on its own and the counts multiplied. Otherwise a dead end
// in one corner would be found again under every choice made in another.

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "engine/board.h"
#include "engine/exact_field.h"

namespace qx {

// A draw in 0..n-1. Plain modulo so that a seed gives the same boards and
// puzzles with every standard library.
inline int below(std::mt19937& rng, int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }

// What a complete solve starts from: the givens, and the hidden clue once
// placeClue has put it in tab2.
Grid givensOf(const Board& b);

class ExactSolver {
 public:
  explicit ExactSolver(int sud);

  const ExactField& field() const { return f_; }

  // Solutions of the digits of tab1 standing in the sub-grids (any other
  // character is an empty cell), counted up to limit. When there is one, a
  // solution goes to *first (cells outside the sub-grids '0').
  int count(const Grid& tab1, int limit, Grid* first = nullptr);

  // A classic Sudoku as 81 cells row by row ('1'..'9' a given, anything else
  // empty), counted up to limit; the first solution's 81 digits go to first.
  // Only for a solver of sud 1; it never builds a field's grid.
  int count81(const char* cells, int limit, char* first = nullptr);

  // Solutions, up to limit, in which cell (r, c) does not hold digit d (all
  // of them when the cell lies outside the sub-grids).
  // After taking one given away from a puzzle with a single solution, a
  // second solution must differ there: searching for it directly is much
  // faster than counting to two.
  // A second solution usually differs from the first in few cells: with
  // near, the search tries near's digit of a cell first.
  int countExcept(const Grid& tab1, int r, int c, char d, int limit, const Grid* near = nullptr);

  // True when the digits of g standing in the sub-grids leave digit d as the
  // only one for cell (r, c), or leave (r, c) as d's only place in one of its
  // units: a single found without any search.
  bool forced(const Grid& g, int r, int c, char d);

  // A random complete board: every sub-grid a valid Sudoku, shared domains
  // included; cells outside the sub-grids '0'. The same generator state gives
  // the same board.
  Grid randomFull(std::mt19937& rng);

  // Search nodes of the last call, for benchmarks.
  long nodes() const { return nodes_; }
  // Of them, the digits tried while another was still left to try (a
  // Sudoku's search only): what other solvers count as guesses.
  long guesses() const { return guesses_; }

 private:
  using Mask = std::uint16_t;  // bit d - 1 for digit d, kPlaced once assigned
  struct State {
    std::array<Mask, ExactField::kMaxCells> cand;
  };

  void touch(int x) {
    const auto& u = f_.unitsOf(x);
    dirty_[0] |= u[0];
    dirty_[1] |= u[1];
    dirty_[2] |= u[2];
    crossDirty_ |= f_.gridsOf(x);
  }
  bool assign(Mask* s, int x, Mask bit);
  bool eliminate(Mask* s, int x, Mask bits);
  bool drain(Mask* s);
  bool hiddenSingles(Mask* s, bool& changed);
  bool hiddenIn(Mask* s, const std::array<std::int16_t, 9>& unit, bool& changed);
  bool crossings(Mask* s, bool& changed);
  bool propagate(Mask* s);
  bool load(const Grid& tab1);
  void copyDown(int depth);
  void begin(int limit, bool record);
  int solve(int depth, unsigned parts);
  void writeSolution(Grid& g) const;

  // A Sudoku has a search of its own: per digit, the cells where it may
  // still go as one 81-bit board, so that placing a digit is a few masks.
  // Used for every count; a random board keeps the search above.
  struct Board81 {
    unsigned __int128 cand[9];  // cells where digit d + 1 may go; a filled cell holds its own
    unsigned __int128 open;     // cells not filled yet
    std::uint16_t dirty;        // bit d: digit d + 1 lost a place since hidden singles looked
  };
  static bool place81(Board81& p, int x, int d);
  bool propagate81(Board81& p, bool triads);
  bool triads81(Board81& p, bool& changed);
  bool load81(const char* cells);
  int solve81(int depth);
  int solveExcept81(int x, char d);

  const ExactField& f_;
  std::vector<State> stack_;  // stack_[d]: the board at search depth d
  std::vector<std::int16_t> queue_;
  int queued_ = 0;
  std::vector<Mask> segMask_;
  std::vector<Mask> unitMask_;  // load: the givens of each unit
  std::array<std::uint64_t, 3> dirty_{};  // units changed since hidden singles last looked
  std::uint8_t crossDirty_ = 0;          // grids changed since crossings last looked
  // Per call.
  int limit_ = 0;
  bool record_ = false;  // keep a solution in sol_
  std::array<std::uint8_t, ExactField::kMaxCells> sol_{};
  std::mt19937* rng_ = nullptr;  // set while drawing a random board
  std::array<Mask, ExactField::kMaxCells> near_{};  // digit to try first per cell, or 0
  bool hasNear_ = false;
  long nodes_ = 0;
  long guesses_ = 0;
  long nodeBudget_ = 0;  // search nodes allowed; 0: no bound
  std::vector<Board81> stack81_;  // a Sudoku's boards per search depth
  bool found81_ = false;          // sol_ holds the first solution
  // Per digit, the triads (3x3 bits) of bands 1-3 and stacks 1-3 as the
  // last triads' stage left them.
  std::array<std::array<std::uint16_t, 9>, 6> held81_{};
};

}  // namespace qx

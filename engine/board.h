// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board model shared by every layer: value and candidate arrays over the
// 21x21 field, the five sub-grids and the game type.

#include <array>

namespace qx {

// Arrays are 1-based: row 0, column 0 and digit slot 0 are never used.
inline constexpr int kSize = 22;
inline constexpr int kField = 21;

using Grid = std::array<std::array<char, kSize>, kSize>;
using Cands = std::array<std::array<std::array<char, 10>, kSize>, kSize>;

struct Offset {
  int r0;
  int c0;
};

// Sub-grid g = 1..5: top-left, top-right, centre, bottom-left, bottom-right.
inline constexpr Offset kGrid[6] = {{0, 0}, {0, 0}, {0, 12}, {6, 6}, {12, 0}, {12, 12}};
// The alignment and pair methods visit the two off-diagonal corners the other
// way round: top-left, bottom-left, centre, top-right, bottom-right.
inline constexpr Offset kGridAlign[6] = {{0, 0}, {0, 0}, {12, 0}, {6, 6}, {0, 12}, {12, 12}};

inline constexpr bool isDigit(char ch) { return ch >= '1' && ch <= '9'; }

// Every cell '0', the unused row 0 and column 0 too.
inline void clearGrid(Grid& g) {
  for (auto& row : g) row.fill('0');
}

// True for the 72 cells of the field that belong to no sub-grid.
bool isGapCell(int r, int c);
// True when (r, c) lies in one of the sub-grids 1..sud.
bool inSubGrid(int r, int c, int sud);

// The optional extra given of a puzzle file; placed into tab2 only before a solve.
struct Clue {
  int ne = 0;  // 1 when there is a clue; any other value means none
  int ie = 1;  // row 1..21
  int je = 2;  // column 1..21
  char ce = '3';
};

struct Board {
  Grid tab1;   // givens
  Grid tab2;   // placed values (player, test values, solver, trials)
  Grid tab3;   // possibility map of one digit
  Grid tab6;   // reference solution, copied from tab2 at the end of a solve
  Grid tab7;   // test-mode marks: '0' none, '1' first test value, '2' later ones
  Grid tabp;   // permutation scratch for tab1
  Grid tabq;   // permutation scratch for tab6
  Cands candid;  // engine candidates
  Cands candig;  // three-candidate trial workspace
  Cands candie;  // the user's candidate mask
  Cands candif;  // candie saved while test mode is on

  int su = 0;    // 0 Quincunx, 1 Sudoku
  int sue = 21;  // rows and columns in use on screen
  int sud = 5;   // sub-grids the engine scans

  Board() { clear(); }

  // Every board '0', engine candidates '0', both user masks '1'.
  void clear();
  // Sets su and the sizes that follow from it (any su other than 0 is a Sudoku).
  void setVariant(int newSu);
};

// Writes the clue into tab2 when there is one; a clue outside the field is ignored.
void placeClue(Board& b, const Clue& clue);

}  // namespace qx

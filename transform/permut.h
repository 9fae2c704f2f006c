// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The random generator and the permutation of a puzzle into an equivalent
// one: mirror exchanges of whole grids, band and stack exchanges, line and
// column swaps, then a relabelling of the nine digits. The givens tab1 and
// the solution tab6 move together, and the hidden clue follows its cell and
// its digit. The order of the draws is part of the behaviour: the same alea
// and the same board always give the same puzzle.

#include <cstdint>

#include "engine/board.h"

namespace qx {

inline constexpr std::uint32_t konsta = 131565;
inline constexpr std::uint32_t konstb = 147;

// Exchanges row bands a and b (0..2) of the 9x9 block whose first cell
// follows row ro and column co; rows keep their order within the bands.
void permusl(Board& bd, Clue& clue, int a, int b, int co, int ro);
// The same for column stacks a and b.
void permusc(Board& bd, Clue& clue, int a, int b, int co, int ro);

struct Permuter {
  std::uint32_t alea = 0;
  // n19[d]: the new digit character of old digit d (1..9) after the last relabelling.
  char n19[10] = {'0', '0', '0', '0', '0', '0', '0', '0', '0', '0'};

  // One draw: a digit 1..9. Advances alea once, or more when the result would be 0.
  int tirage();

  // Swaps two random rows of band b (1..3) of the block at (ro, co), over
  // columns co + 1 .. co + n (9 for one grid, 21 for a band crossing three).
  void permutl(Board& bd, Clue& clue, int b, int co, int ro, int n);
  // Swaps two random columns of stack b, over rows ro + 1 .. ro + n.
  void permutc(Board& bd, Clue& clue, int b, int co, int ro, int n);
  // Exchanges two random bands, or stacks, of the Sudoku grid.
  void permusls(Board& bd, Clue& clue);
  void permuscs(Board& bd, Clue& clue);

  // The whole permutation for the variant bd.su (0 Quincunx, else Sudoku).
  // Changes tab1, tab6 (using tabp and tabq as scratch), alea, n19 and, when
  // clue.ne is 1, the clue.
  void permut(Board& bd, Clue& clue);

 private:
  bool evenDraw() { return tirage() % 2 == 0; }
  // Two different lines (1..9) of band b, drawn as the band swaps need them.
  void twoLines(int b, int& l1, int& l2);
  // Two different bands (0..2).
  void twoBands(int& b1, int& b2);
  void relabel(Board& bd, Clue& clue);
};

}  // namespace qx

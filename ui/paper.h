// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Boards on paper: the grids, the givens and the values entered, drawn by the
// window's own drawing code, without buttons, cursor or candidates.

#include <string>
#include <vector>

#include "engine/board.h"
#include "platform/paper.h"

namespace qx {

// Cell size of a printed board, in its logical pixels.
inline constexpr int kPaperCell = 40;

struct PaperBoard {
  int su = 1;           // 0 Quincunx, 1 Sudoku
  Grid tab1{};          // givens
  Grid tab2{};          // values entered ('0' none)
  Grid solution{};      // the whole board solved, for the solution pages
  std::string caption;  // under the board
};

// One board: the values entered, or the solution in their place.
void drawPaperBoard(Surface& s, const PaperBoard& board, bool solution);
// One Quincunx or four Sudoku a page, a new page when the game changes; with
// solutions, the same pages again with the solutions after them.
void printBoards(Paper& paper, const std::vector<PaperBoard>& boards, bool solutions);

}  // namespace qx

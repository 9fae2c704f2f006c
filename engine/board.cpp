// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/board.h"

namespace qx {

bool isGapCell(int r, int c) {
  if (r < 1 || r > kField || c < 1 || c > kField) return false;
  const bool midCols = c >= 10 && c <= 12;
  const bool midRows = r >= 10 && r <= 12;
  return (midCols && (r <= 6 || r >= 16)) || (midRows && (c <= 6 || c >= 16));
}

bool inSubGrid(int r, int c, int sud) {
  for (int g = 1; g <= sud && g <= 5; ++g) {
    const auto [r0, c0] = kGrid[g];
    if (r > r0 && r <= r0 + 9 && c > c0 && c <= c0 + 9) return true;
  }
  return false;
}

void Board::clear() {
  for (Grid* g : {&tab1, &tab2, &tab3, &tab6, &tab7, &tabp, &tabq}) clearGrid(*g);
  for (Cands* k : {&candid, &candig, &candie, &candif}) {
    const char v = (k == &candie || k == &candif) ? '1' : '0';
    for (auto& row : *k)
      for (auto& cell : row) cell.fill(v);
  }
}

void Board::setVariant(int newSu) {
  su = newSu;
  if (su != 0) {
    sud = 1;
    sue = 9;
  } else {
    sud = 5;
    sue = 21;
  }
}

void placeClue(Board& b, const Clue& clue) {
  if (clue.ne != 1) return;
  if (clue.ie < 1 || clue.ie > kField || clue.je < 1 || clue.je > kField) return;
  b.tab2[clue.ie][clue.je] = clue.ce;
}

}  // namespace qx

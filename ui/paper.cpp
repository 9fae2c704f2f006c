// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/paper.h"

#include <string>

#include "texts/texts.h"
#include "ui/app.h"
#include "ui/dc.h"

namespace qx {

namespace {

Point boardSize(int su) {
  // The frames are three pixels thick on the far side too.
  const int side = (su == 0 ? 21 : 9) * kPaperCell + 3;
  return {side, side};
}

}  // namespace

void drawPaperBoard(Surface& s, const PaperBoard& board, bool solution) {
  const int h = kPaperCell, sue = board.su == 0 ? 21 : 9;
  Dc dc(s);
  dc.reset();
  // As the window's client area, so the lines end where they end there.
  drawGridLines(dc, h, 21 * h + 6, 21 * h + 25);
  drawFrames(dc, h, board.su);
  dc.selectFont(FontRole::Digits);
  for (int r = 1; r <= sue; ++r)
    for (int c = 1; c <= sue; ++c) {
      if (board.su == 0 && isGapCell(r, c)) continue;
      const char given = board.tab1[r][c];
      const char other = solution ? board.solution[r][c] : board.tab2[r][c];
      const bool isGiven = isDigit(given);
      const char v = isGiven ? given : other;
      if (!isDigit(v)) continue;
      dc.setTextColor(isGiven ? colour::kPrintedGiven : colour::kPrintedValue);
      dc.textOut((c - 1) * h + 10, (r - 1) * h + 8, {&v, 1});
    }
}

void App::printCommand() {
  if (m.fen != 0) return;
  m.fen = 1;
  if (auto paper = p_.choosePrinter(title())) {
    PaperBoard board;
    board.su = b.su;
    board.tab1 = b.tab1;
    board.tab2 = b.tab2;
    board.solution = b.tab6;
    board.caption = title();
    printBoards(*paper, {board}, false);
    if (!paper->finish()) show(texts.printFailed(m.lang));
  }
  p_.invalidate();
  m.maju = 0;
  m.fen = 0;
}

void printBoards(Paper& paper, const std::vector<PaperBoard>& boards, bool solutions) {
  bool first = true;
  for (const bool solution : {false, true}) {
    if (solution && !solutions) break;
    int slot = 0, places = 0;
    for (const PaperBoard& board : boards) {
      const int want = board.su == 0 ? 1 : 4;
      if (slot == places || want != places) {
        if (!first) paper.newPage();
        first = false;
        slot = 0;
        places = want;
      }
      const std::string caption = solution ? std::string(kSolution) + " - " + board.caption : board.caption;
      Surface& s = paper.place(slot++, places, boardSize(board.su), caption);
      drawPaperBoard(s, board, solution);
    }
  }
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, timers, pointer tracking and destruction on the fake platform.
#include "files/puzzle_file.h"
#include "tests/support/puzzles.h"
#include "tests/ui/ui_fixture.h"

namespace qx {
namespace {

using test::Draw;

class Window : public test::UiTest {
 protected:
  int highlighted() {
    int n = 0;
    for (const Draw& d : platform.of(Draw::Rectangle)) n += d.brush == colour::kButtonFaceHover;
    return n;
  }
};

TEST_F(Window, StartUpBoxShowsTheCumulativeTime) {
  Settings s;
  s.nTimer = 3725;
  save(Board{}, Clue{}, s);
  platform.screen = {1280, 1024};
  App a(platform, dir.string());
  a.WinMain();
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_NE(platform.boxes[0].text.find("1 h 2 m 5 s\n\n"), std::string::npos);
  EXPECT_EQ(platform.boxes[0].title, "Temps cumulé de recherche");
  EXPECT_EQ(platform.boxes[0].style, kBoxOk);
  EXPECT_EQ(platform.windowTitle.rfind("Quincunx", 0), 0u);
  EXPECT_EQ(platform.client, (Point{987, 987}));
  EXPECT_EQ(platform.timers[timer::kClock], 1000);
  EXPECT_EQ(platform.timers[timer::kStartUp], 100);

  s.nTimer = 0;
  s.lang = 1;
  Board sudoku;
  sudoku.setVariant(1);
  save(sudoku, Clue{}, s);
  test::FakePlatform other;
  App b(other, dir.string());
  b.WinMain();
  EXPECT_NE(other.boxes[0].text.find("0 s\n\n"), std::string::npos);
  EXPECT_EQ(other.boxes[0].title, "Cumulative time of research");
  EXPECT_EQ(other.windowTitle.rfind("Quincunx", 0), 0u);  // whatever the restored game
}

TEST_F(Window, StartUpCompletionSolvesBehindThePlayersValues) {
  const auto set = test::loadSet("sudoku-easy");
  Board b = test::sudokuBoard(set[7].puzzle);
  const int k = static_cast<int>(set[7].puzzle.find('.'));
  b.tab2[k / 9 + 1][k % 9 + 1] = '9';  // the player's value, maybe wrong
  save(b, Clue{}, Settings{});
  App& a = start();
  EXPECT_EQ(a.b.su, 1);
  a.WndProc(kMsgTimer, timer::kStartUp, 0);
  EXPECT_EQ(platform.timers.count(timer::kStartUp), 0u);
  EXPECT_TRUE(a.b.tab2 == b.tab2);
  for (int i = 0; i < 81; ++i) {
    const int r = i / 9 + 1, c = i % 9 + 1;
    if (b.tab1[r][c] == '0') {
      EXPECT_EQ(a.b.tab6[r][c], set[7].solution[i]) << i;
    }
  }
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(Window, FirstStartWithoutPlacedValuesShowsAnEmptyPlayLayer) {
  Board b;
  b.tab1 = test::fullQuincunx(2);
  for (int c = 1; c <= 9; ++c) b.tab1[1][c] = '0';
  save(b, Clue{}, Settings{});
  std::filesystem::remove(dir / kPlacedFile);
  App& a = start();
  a.WndProc(kMsgTimer, timer::kStartUp, 0);
  for (int c = 1; c <= 9; ++c) {
    EXPECT_EQ(a.b.tab2[1][c], '0');
    EXPECT_NE(a.b.tab6[1][c], '0');
  }
}

TEST_F(Window, PointerTracksButtonsAndCells) {
  save(Board{}, Clue{}, Settings{});
  App& a = start();
  platform.focus = true;
  auto move = [&](int px, int py) {
    platform.pointer = {px, py};
    a.WndProc(kMsgMouseMove, 0, pointParam(px, py));
  };
  const Rect r1 = a.g.rect[button::kData];
  platform.draws.clear();
  move(r1.left + 3, r1.top + 3);
  // Once on entering, once more by the full redraw of the new (gap) cell.
  EXPECT_EQ(highlighted(), 2);
  EXPECT_EQ(platform.draws.back().colour, colour::kButtonLabelHover);
  EXPECT_EQ(platform.cursor, CursorShape::Hand);

  platform.draws.clear();
  move(r1.left + 4, r1.top + 3);  // same button, same cell
  EXPECT_TRUE(platform.draws.empty());

  move(r1.right + 2, r1.top + 3);  // gap to gap
  EXPECT_EQ(highlighted(), 0);
  std::vector<Draw> silver;
  for (const Draw& d : platform.of(Draw::Rectangle))
    if (d.brush == colour::kButtonFace) silver.push_back(d);
  ASSERT_EQ(silver.size(), 1u);  // only the button left behind, no full redraw
  EXPECT_EQ(silver[0].rect, r1);
  EXPECT_EQ(platform.cursor, CursorShape::Arrow);
  EXPECT_EQ(a.nxa, (r1.right + 2) / 47 + 1);

  platform.draws.clear();
  move(100, 100);  // into cell (3, 3): full redraw
  EXPECT_EQ(a.nxa, 3);
  EXPECT_EQ(a.nya, 3);
  ASSERT_FALSE(platform.draws.empty());
  EXPECT_EQ(platform.draws[0].kind, Draw::Fill);  // the previous cell was a gap: nothing erased
  EXPECT_EQ(platform.draws[0].rect, (Rect{94, 94, 141, 141}));
  EXPECT_EQ(platform.draws[0].colour, colour::kPointerCell);

  a.m.maju = 1;  // the Shift highlight freezes the current cell
  move(200, 200);
  EXPECT_EQ(a.nxa, 3);
  a.m.fen = 1;  // the file dialog is up: input is ignored
  a.m.maju = 0;
  move(300, 300);
  EXPECT_EQ(a.posx, 200);
}

TEST_F(Window, CurseurHighlightsTheButtonUnderTheFocusedPointer) {
  save(Board{}, Clue{}, Settings{});
  App& a = start();
  const Rect r12 = a.g.rect[button::kPartial];
  platform.pointer = {r12.right, r12.bottom};
  platform.focus = false;
  platform.paint();
  EXPECT_EQ(highlighted(), 0);  // never focused: (0, 0) is on no button
  platform.focus = true;
  platform.paint();
  EXPECT_EQ(highlighted(), 1);
  EXPECT_EQ(platform.cursor, CursorShape::Hand);
  platform.focus = false;
  platform.pointer = {0, 0};
  platform.paint();
  EXPECT_EQ(highlighted(), 1);  // the last position seen with the focus
  a.m.fen = 1;
  platform.cursor = CursorShape::Wait;
  platform.draws.clear();
  a.curseur();
  EXPECT_TRUE(platform.draws.empty());
  EXPECT_EQ(platform.cursor, CursorShape::Wait);
}

TEST_F(Window, DestructionQuitsAndStopsASolve) {
  save(Board{}, Clue{}, Settings{});
  App& a = start();
  a.WndProc(kMsgDestroy, 0, 0);
  EXPECT_TRUE(platform.quitCalled);
  EXPECT_EQ(a.m.termine, 1);
  a.b.tab6[1][1] = 's';
  a.engine.solution(kShown);
  EXPECT_EQ(a.b.tab6[1][1], 's');
}

}  // namespace
}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// What a paint draws, checked on the recorded calls of the fake platform.
#include <algorithm>
#include <string>
#include <tuple>

#include "tests/support/puzzles.h"
#include "tests/ui/ui_fixture.h"

namespace qx {
namespace {

using test::Draw;

class Drawing : public test::UiTest {
 protected:
  // Texts drawn at a point.
  std::vector<Draw> textsAt(int x, int y) {
    std::vector<Draw> out;
    for (const Draw& d : platform.of(Draw::Text))
      if (d.from == Point{x, y}) out.push_back(d);
    return out;
  }
  // The one text drawn at a point, as text, font and colour; a blank one
  // when none or several are.
  std::tuple<std::string, FontRole, Colour> textAt(int x, int y) {
    const auto t = textsAt(x, y);
    if (t.size() != 1) return {"", FontRole::Digits, 0};
    return {t[0].text, t[0].font, t[0].colour};
  }
  bool drawnText(std::string_view t) {
    for (const Draw& d : platform.of(Draw::Text))
      if (d.text == t) return true;
    return false;
  }
  int linesIn(Colour pen) {
    int n = 0;
    for (const Draw& d : platform.of(Draw::Line)) n += d.colour == pen;
    return n;
  }
};

TEST_F(Drawing, GivenAndCandidatesSitAtTheirOffsets) {
  Board b;
  b.tab1[1][2] = '7';
  Settings s;
  s.cand = 1;
  save(b, Clue{}, s);
  App& a = start(1024);
  for (int d = 1; d <= 9; ++d) a.b.candie[1][1][d] = d == 2 ? '0' : '1';
  platform.paint();

  EXPECT_EQ(textAt(47 + 10, 8), std::tuple("7", FontRole::Digits, colour::kGiven));
  EXPECT_EQ(textAt(19, 17), std::tuple("5", FontRole::Small, colour::kCandidate));
  EXPECT_EQ(std::get<0>(textAt(31, 29)), "9");
  EXPECT_TRUE(textsAt(19, 5).empty());  // digit 2 masked by the user
  EXPECT_EQ(textsAt(7, 5).size(), 1u);  // digit 1
}

TEST_F(Drawing, SmallScreenUsesSmallerOffsets) {
  Board b;
  b.tab1[1][1] = '4';
  b.tab1[21][21] = '8';
  save(b, Clue{}, Settings{});
  App& a = start(768);
  EXPECT_EQ(platform.client, (Point{714, 714}));
  platform.paint();
  EXPECT_EQ(textsAt(10, 8).size(), 1u);
  EXPECT_EQ(textsAt(20 * 34 + 10, 20 * 34 + 8).size(), 1u);
  EXPECT_EQ(platform.fontHeight[FontRole::Digits], 27);
  EXPECT_EQ(platform.fontHeight[FontRole::Small], 11);
  EXPECT_EQ(platform.fontHeight[FontRole::Buttons], 17);
  EXPECT_EQ(platform.fontFace[FontRole::Buttons], "Times");
  (void)a;
}

TEST_F(Drawing, ButtonsAreSilverWithTheirLabels) {
  save(Board{}, Clue{}, Settings{});
  App& a = start(1024);
  platform.paint();
  std::vector<Draw> buttons;
  for (const Draw& d : platform.of(Draw::Rectangle))
    if (d.brush == colour::kButtonFace) buttons.push_back(d);
  ASSERT_EQ(buttons.size(), 14u);
  for (int n = 1; n <= 14; ++n) {
    EXPECT_EQ(buttons[n - 1].rect, a.g.rect[n]);
    EXPECT_EQ(buttons[n - 1].colour, colour::kGridLine);  // outlined in the grid's pen
  }
  const Rect& r9 = a.g.rect[9];
  auto label = textsAt(r9.left + a.g.decal92, r9.top + a.g.decay);
  ASSERT_FALSE(label.empty());
  EXPECT_EQ(label.back().text, "Sudoku");  // the game it switches to
  EXPECT_TRUE(drawnText("Donnée"));
  EXPECT_TRUE(drawnText("English"));
  EXPECT_TRUE(drawnText("Test"));
}

// A Quincunx frames its five grids, the centre one in its own colour; a
// Sudoku frames only the first grid and greys every cell of the field
// outside it.
TEST_F(Drawing, FramesAndGreyFollowTheGame) {
  save(Board{}, Clue{}, Settings{});
  App& a = start(1024);
  const int h = 47;
  auto grey = [&](int r, int c) {
    for (const Draw& d : platform.of(Draw::Fill))
      if (d.colour == colour::kOutsideSudoku && d.rect.left <= (c - 1) * h && c * h <= d.rect.right &&
          d.rect.top <= (r - 1) * h && r * h <= d.rect.bottom)
        return true;
    return false;
  };
  auto framesReach = [&](int far) {
    int most = 0;
    for (const Draw& d : platform.of(Draw::Line))
      if (d.colour == colour::kCornerFrame) most = std::max({most, d.from.x, d.from.y, d.to.x, d.to.y});
    return most <= far;
  };
  platform.paint();
  EXPECT_FALSE(framesReach(20 * h));
  EXPECT_GT(linesIn(colour::kCentreFrame), 0);
  EXPECT_FALSE(grey(15, 15));

  a.b.setVariant(1);
  platform.paint();
  EXPECT_TRUE(framesReach(9 * h + 3));
  EXPECT_EQ(linesIn(colour::kCentreFrame), 0);
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (!isGapCell(r, c)) {
        EXPECT_EQ(grey(r, c), r > 9 || c > 9) << r << "," << c;
      }
}

TEST_F(Drawing, GridLinesStayOutOfTheGaps) {
  save(Board{}, Clue{}, Settings{});
  start(1024);
  platform.paint();
  const int h = 47;
  for (const Draw& d : platform.of(Draw::Line)) {
    if (d.colour != colour::kGridLine) continue;
    if (d.from.y == d.to.y && d.from.y == 10 * h) {  // inside the centre grid only
      EXPECT_EQ(d.from.x, 6 * h);
      EXPECT_EQ(d.to.x, 15 * h + 2);
    }
    if (d.from.y == d.to.y && d.from.y == 3 * h + 1) {  // domain line of the top grids
      EXPECT_TRUE((d.from.x == 0 && d.to.x == 9 * h) || (d.from.x == 12 * h && d.to.x == 21 * h + 6));
    }
  }
}

TEST_F(Drawing, StatusAndHelpLinesPerModeAndLanguage) {
  Settings s;
  s.lang = 1;
  s.er = 1;
  s.es = 1;
  Board b;
  b.setVariant(1);
  save(b, Clue{}, s);
  App& a = start(1024);
  platform.paint();
  const int h = 47;
  auto textOf = [&](int x, int y) { return std::get<0>(textAt(x, y)); };
  auto colourOf = [&](int x, int y) { return std::get<2>(textAt(x, y)); };
  EXPECT_EQ(textOf(15 * h + 30, 11 * h - h / 2), "You play to Sudoku");
  EXPECT_EQ(colourOf(15 * h + 30, 11 * h - h / 2), colour::kLegend);
  EXPECT_EQ(textOf(15 * h + 30, 10 * h), "Errors invisibles");
  EXPECT_EQ(textOf(15 * h + 100, 11 * h + 5), "Mode Test");
  EXPECT_EQ(textOf(9 * h + 5, h / 2 + 5), "First violet");
  EXPECT_EQ(colourOf(9 * h + 5, h / 2 + 5), colour::kFirstTestValue);
  EXPECT_TRUE(drawnText("Normal"));  // the mode button names the other mode

  a.m.lang = 0;
  a.m.es = 0;
  a.m.er = 0;
  a.m.jou = 0;
  a.b.setVariant(0);
  platform.paint();
  EXPECT_EQ(textOf(15 * h + 30, 11 * h - h / 2), "Vous jouez au Quincunx");
  EXPECT_EQ(textOf(15 * h + 30, 10 * h), "Erreurs en rouge");
  EXPECT_EQ(textOf(15 * h + 100, 11 * h + 5), "Mode Normal");
  EXPECT_EQ(textOf(9 * h + 5, h + 5), "en vert");
  EXPECT_EQ(colourOf(9 * h + 5, h + 5), colour::kGivenEntered);
}

TEST_F(Drawing, PlacedValueColours) {
  Board b;
  b.tab1[1][1] = '1';
  b.tab2[1][2] = '2';  // right
  b.tab2[1][3] = '4';  // wrong
  b.tab2[1][4] = '5';  // wrong but the first test value
  b.tab2[1][5] = '6';  // a later test value
  b.tab7[1][4] = '1';
  b.tab7[1][5] = '2';
  save(b, Clue{}, Settings{});
  App& a = start(1024);
  a.b.tab6[1][2] = '2';
  a.b.tab6[1][3] = '3';
  a.b.tab6[1][4] = '4';
  a.b.tab6[1][5] = '6';
  a.b.tab2 = b.tab2;
  platform.paint();
  auto colourAt = [&](int c) { return textsAt((c - 1) * 47 + 10, 8).at(0).colour; };
  EXPECT_EQ(colourAt(2), colour::kRightValue);
  EXPECT_EQ(colourAt(3), colour::kWrongValue);
  EXPECT_EQ(colourAt(4), colour::kFirstTestValue);
  EXPECT_EQ(colourAt(5), colour::kRightValue);  // blue only in test mode
  a.m.es = 1;
  a.m.er = 1;
  platform.paint();
  EXPECT_EQ(colourAt(3), colour::kRightValue);
  EXPECT_EQ(colourAt(5), colour::kNextTestValue);
}

TEST_F(Drawing, OnlyTheGridInUseIsWritten) {
  Board b;
  b.setVariant(1);
  b.tab1[5][5] = '3';
  b.tab1[15][15] = '9';  // outside a Sudoku
  save(b, Clue{}, Settings{});
  start(1024);
  platform.paint();
  EXPECT_EQ(textsAt(4 * 47 + 10, 4 * 47 + 8).size(), 1u);
  EXPECT_TRUE(textsAt(14 * 47 + 10, 14 * 47 + 8).empty());
}

}  // namespace
}  // namespace qx

// Cell size, buttons and the two hit tests, at the two usual screen heights.
#include <gtest/gtest.h>

#include "engine/board.h"
#include "tests/support/fake_platform.h"
#include "texts/texts.h"
#include "ui/geometry.h"

namespace qx {
namespace {

TEST(Geometry, CellAndButtonSizesFollowTheScreen) {
  Geometry g;
  g.fromScreen(1280, 1024);
  EXPECT_EQ(g.hh, 47);
  EXPECT_EQ(g.bouty, 32);
  EXPECT_EQ(g.larg, 21 * 47 + 6);
  EXPECT_EQ(g.haut, 21 * 47 + 25);
  g.fromScreen(1024, 768);
  EXPECT_EQ(g.hh, 34);
  EXPECT_EQ(g.bouty, 23);
  g.fromScreen(1920, 1200);  // taller screens count as 1024
  EXPECT_EQ(g.hh, 47);
}

TEST(Geometry, ButtonRectanglesAtBothSizes) {
  Geometry g;
  g.fromScreen(1280, 1024);
  EXPECT_EQ(g.rect[1], (Rect{5, 428, 89, 460}));
  EXPECT_EQ(g.rect[5], (Rect{89, 475, 193, 507}));
  EXPECT_EQ(g.rect[8], (Rect{206, 475, 277, 507}));
  EXPECT_EQ(g.rect[11], (Rect{710, 522, 794, 554}));
  EXPECT_EQ(g.rect[13], (Rect{446, 728, 530, 760}));
  EXPECT_EQ(g.rect[14], (Rect{446, 775, 530, 807}));
  g.fromScreen(1024, 768);
  EXPECT_EQ(g.rect[2], (Rect{5, 345, 56, 368}));
  EXPECT_EQ(g.rect[9], (Rect{136, 379, 199, 402}));
  EXPECT_EQ(g.rect[12], (Rect{617, 311, 675, 334}));
  // Every button lies in a gap of the Quincunx field.
  for (int n = 1; n <= 14; ++n) {
    const Point a = cellAt(g, g.rect[n].left, g.rect[n].top);
    const Point z = cellAt(g, g.rect[n].right - 1, g.rect[n].bottom - 1);  // last drawn pixel
    EXPECT_TRUE(isGapCell(a.y, a.x) && isGapCell(z.y, z.x)) << n;
  }
}

TEST(Geometry, HitTestsIncludeEveryEdge) {
  Geometry g;
  g.fromScreen(1280, 1024);
  EXPECT_EQ(buttonAt(g, 89, 460), 1);
  EXPECT_EQ(buttonAt(g, 5, 428), 1);
  EXPECT_EQ(buttonAt(g, 90, 460), 0);
  EXPECT_EQ(buttonAt(g, 89, 461), 0);
  EXPECT_EQ(buttonAt(g, 0, 0), 0);
  EXPECT_EQ(buttonAt(g, 89, 475), 5);  // data's column, candidate's row
  for (int n = 1; n <= 14; ++n) {
    const Rect& r = g.rect[n];
    EXPECT_EQ(buttonAt(g, r.right, r.bottom), n);
    EXPECT_EQ(buttonAt(g, (r.left + r.right) / 2, r.top - 1), 0) << n;
  }
  EXPECT_EQ(cellAt(g, 0, 0), (Point{1, 1}));
  EXPECT_EQ(cellAt(g, 46, 46), (Point{1, 1}));
  EXPECT_EQ(cellAt(g, 47, 47), (Point{2, 2}));
  EXPECT_EQ(cellAt(g, 986, 0), (Point{21, 1}));
}

TEST(Geometry, LabelsAreCentredInTheRestoredLanguage) {
  test::FakePlatform p;
  p.defineFont(FontRole::Buttons, "Times", 20, 700);  // 10 pixels per character
  Texts texts;
  Geometry g;
  g.fromScreen(1280, 1024);
  g.measureLabels(p, texts, 1);
  EXPECT_EQ(g.decal[1], (84 - 40) / 2);   // "Data"
  EXPECT_EQ(g.decal[13], (84 - 80) / 2);  // "Français": 8 characters
  EXPECT_EQ(g.decal91, (g.rect[9].right - g.rect[9].left - 80) / 2);
  EXPECT_EQ(g.decay, (32 - 20) / 2);
  g.measureLabels(p, texts, 0);
  EXPECT_EQ(g.decal[1], (84 - 60) / 2);  // "Donnée"
}

}  // namespace
}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// Cell size, buttons and the two hit tests, at the two usual screen heights.
#include <gtest/gtest.h>

#include "engine/board.h"
#include "tests/support/fake_platform.h"
#include "texts/texts.h"
#include "ui/app.h"
#include "ui/geometry.h"

namespace qx {
namespace {

// The written cell size, made smaller only as far as a panel and a title bar
// need for the whole frame to fit; the window the program asks for follows.
TEST(Geometry, CellSizeFollowsTheScreenAndFitsTheFrameInItsRoom) {
  struct Case {
    Point screen;
    Room room;
    int hh;
  };
  const Case cases[] = {
      {{1280, 1024}, {}, 47},                     // nothing known of panels or frame
      {{1024, 768}, {}, 34},
      {{1920, 1200}, {}, 47},                     // taller screens count as 1024
      {{1280, 1024}, {1280, 1024, 0, 0}, 47},     // bare screens
      {{1024, 768}, {1024, 768, 0, 0}, 34},
      {{1280, 1024}, {1280, 1024, 2, 37}, 47},    // a title bar alone still fits
      {{1366, 768}, {1366, 738, 2, 37}, 33},      // a 30-pixel panel and a 37-pixel title bar
      {{1600, 900}, {1600, 870, 2, 37}, 39},
      {{1024, 768}, {1024, 738, 2, 25}, 33},
      {{800, 1024}, {800, 1024, 10, 20}, 37},     // narrow: the width decides
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.screen.x << "x" << c.screen.y << " room " << c.room.width
                                      << "x" << c.room.height << " frame " << c.room.frameHeight);
    Geometry g;
    g.fromScreen(c.screen.x, c.screen.y, c.room);
    EXPECT_EQ(g.hh, c.hh);
    EXPECT_EQ(g.bouty, static_cast<int>(g.hh * 0.7));
    EXPECT_EQ(g.larg, 21 * g.hh + 6);
    EXPECT_EQ(g.haut, 21 * g.hh + 25);
    if (c.room.height > 0) {
      EXPECT_LE(21 * g.hh + c.room.frameHeight, c.room.height);
      EXPECT_LE(21 * g.hh + c.room.frameWidth, c.room.width);
    }
    test::FakePlatform p;
    p.screen = c.screen;
    p.roomGiven = c.room;
    App app(p, "/nonexistent");
    app.startUp();
    const int written = 21 * Geometry::cellFor(c.screen.y);
    EXPECT_EQ(p.roomAskedFor, (Point{written, written}));
    EXPECT_EQ(p.client, (Point{21 * c.hh, 21 * c.hh}));
  }
}

// Every button lies in a gap of the Quincunx field, at both usual sizes.
TEST(Geometry, ButtonsLieInTheGaps) {
  for (const Point screen : {Point{1280, 1024}, Point{1024, 768}}) {
    Geometry g;
    g.fromScreen(screen.x, screen.y);
    for (int n = 1; n <= button::kCount; ++n) {
      const Point a = cellAt(g, g.rect[n].left, g.rect[n].top);
      const Point z = cellAt(g, g.rect[n].right - 1, g.rect[n].bottom - 1);  // last drawn pixel
      EXPECT_TRUE(isGapCell(a.y, a.x) && isGapCell(z.y, z.x)) << n << " at " << screen.y;
    }
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

// SPDX-License-Identifier: GPL-3.0-or-later
// Puzzles on paper from quincunx-gen --pdf and quincunx-solve --pdf, read
// back from pdftoppm's pixels: the pages, the boards' frames and lines, the
// givens where the puzzle has them and the solutions filling every cell.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/puzzle_file.h"
#include "tests/support/pdf_pages.h"
#include "tests/tools/cli_fixture.h"
#include "tools/gen/gen_cli.h"
#include "tools/solve/solve_cli.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using GenPaper = test::CliTest<runGenCli>;

// Cells of board k of a page (0..3, two by two when four), as the red frames
// bound it: side cells across, the frame outside them.
struct Cells {
  test::Box box;
  double cell = 0;
  int cx(int c) const { return box.left + static_cast<int>((c - 0.5) * cell); }
  int cy(int r) const { return box.top + static_cast<int>((r - 0.5) * cell); }
};
Cells cellsOf(const test::Page& p, int k, int places, int side) {
  const int across = places == 4 ? 2 : 1;
  const int w = p.width / across, h = p.height / across;
  Cells c;
  c.box = test::redBox(p, (k % across) * w, (k / across) * h, (k % across + 1) * w, (k / across + 1) * h);
  // 40 logical pixels a cell, 3 more for the far frame.
  c.cell = (c.box.right - c.box.left + 1) * 40.0 / (side * 40 + 3);
  return c;
}

TEST_F(GenPaper, PagesHoldTheBoardsTheirGivensAndTheirSolutions) {
  struct Case {
    std::vector<std::string> args;
    int su, count, pages;
    bool solutions;
  };
  const Case cases[] = {
      {{"--variant", "quincunx", "--rating", "deep", "--count", "4", "--solutions"}, 0, 4, 8, true},
      {{"--variant", "sudoku", "--rating", "logic", "--count", "5"}, 1, 5, 2, false},
      {{"--variant", "sudoku", "--rating", "trials", "--count", "4", "--solutions"}, 1, 4, 2, true},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.args[1] + " " + t.args[3]);
    const fs::path folder = dir / (t.args[1] + t.args[3]);
    const fs::path pdf = folder / "out.pdf";
    fs::create_directories(folder);
    std::vector<std::string> args = t.args;
    for (const std::string& a : {std::string("--out"), folder.string(), std::string("--pdf"), pdf.string()})
      args.push_back(a);
    ASSERT_EQ(run(args), 0) << err.str();
    const auto pages = test::renderPdf(pdf, 100);
    ASSERT_EQ(static_cast<int>(pages.size()), t.pages);
    const int side = t.su == 0 ? 21 : 9, places = t.su == 0 ? 1 : 4;
    const int perPage = places;
    for (int n = 1; n <= t.count; ++n) {
      SCOPED_TRACE(n);
      Grid tab1;
      for (auto& row : tab1) row.fill('0');
      Clue clue;
      const std::string name = t.args[1] + "-" + t.args[3] + "-" + std::to_string(n) + ".jeu";
      ASSERT_TRUE(lecture((folder / name).string(), tab1, clue));
      if (clue.ne == 1) tab1[clue.ie][clue.je] = clue.ce;
      const int page = (n - 1) / perPage, k = (n - 1) % perPage;
      const int solutionPage = page + (t.count + perPage - 1) / perPage;
      for (const int pg : {page, solutionPage}) {
        if (pg == solutionPage && !t.solutions) continue;
        const test::Page& p = pages[pg];
        const Cells c = cellsOf(p, k, places, side);
        ASSERT_GE(c.box.left, 0);
        EXPECT_NEAR(c.box.right - c.box.left, c.box.bottom - c.box.top, 4);
        // A thin black line between the first two columns, inside the frame.
        EXPECT_TRUE(p.inked(c.box.left + static_cast<int>(c.cell), c.cy(2), 1));
        const int r = std::max(1, static_cast<int>(c.cell / 5));
        for (int row = 1; row <= side; ++row)
          for (int col = 1; col <= side; ++col) {
            if (t.su == 0 && isGapCell(row, col)) continue;
            const bool inked = p.darkAround(c.cx(col), c.cy(row), r) > 0;
            const bool wanted = pg == solutionPage || isDigit(tab1[row][col]);
            ASSERT_EQ(inked, wanted) << "page " << pg << " cell " << row << "," << col;
          }
      }
    }
  }
}

TEST(SolvePaper, ExistingFilesPrintedWithTheirSolutions) {
  test::TempDir tmp{"qx-solve-pdf"};
  const fs::path pdf = tmp.path() / "out.pdf";
  std::ostringstream out, err;
  const fs::path jeux = fs::path(QX_DATA_DIR) / "Jeux";
  ASSERT_EQ(runSolveCli({"--pdf", pdf.string(), "--solutions", (jeux / "sudoku-deep-1.jeu").string(),
                         (jeux / "quincunx-logic-1.jeu").string()},
                        out, err),
            0)
      << err.str();
  // A Sudoku page and a Quincunx page, then their solutions.
  const auto pages = test::renderPdf(pdf, 40);
  ASSERT_EQ(pages.size(), 4u);
  for (int pg : {0, 2}) {
    const Cells c = cellsOf(pages[pg], 0, 4, 9);
    EXPECT_GE(c.box.left, 0) << pg;
    EXPECT_LT(c.box.right, pages[pg].width / 2) << pg;
  }
  EXPECT_GT(cellsOf(pages[1], 0, 1, 21).box.right, pages[1].width / 2);
  EXPECT_NE(runSolveCli({"--solutions", (jeux / "sudoku-deep-1.jeu").string()}, out, err), 0);
}

}  // namespace
}  // namespace qx

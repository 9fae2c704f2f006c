// SPDX-License-Identifier: GPL-3.0-or-later
// The puzzle file: grid block layout, hidden clue, damaged and short files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <cerrno>
#include <cstring>

#include "files/file_ops.h"
#include "files/puzzle_file.h"
#include "tests/support/hostile.h"
#include "tests/support/puzzles.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

std::string sudokuFirstRowBlock() {
  Grid g = test::zeros();
  const char* row1 = "53007";
  for (int c = 1; c <= 5; ++c) g[1][c] = row1[c - 1];
  return gridBlock(g);
}

TEST(GridBlock, Layout) {
  const std::string block = sudokuFirstRowBlock();
  ASSERT_EQ(block.size(), 27u * 28u);
  EXPECT_EQ(block.substr(0, 28), "530 070 000 000 000 000 000\n");
  for (int line = 1; line <= 27; ++line) {
    const std::string l = block.substr((line - 1) * 28, 28);
    EXPECT_EQ(l[27], '\n');
    if (line % 4 == 0) {
      EXPECT_EQ(l.substr(0, 27), std::string(27, ' ')) << line;
    }
    for (int p = 4; p <= 24; p += 4) EXPECT_EQ(l[p - 1], ' ') << line;
  }
}

TEST(GridBlock, RoundTripKeepsEveryCharacterAndSeparatorsAreIgnored) {
  Grid g = test::zeros();
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) g[r][c] = isGapCell(r, c) ? ' ' : "0123456789"[(r * c) % 10];
  std::string block = gridBlock(g), piped = block;
  for (std::size_t i = 0; i < piped.size(); ++i)
    if (piped[i] == ' ' && (i % 28 + 1) % 4 == 0) piped[i] = '|';
  for (const std::string* text : {&block, &piped}) {
    Grid back = test::zeros();
    TextReader in(*text);
    readGridBlock(in, back);
    EXPECT_TRUE(back == g) << (text == &block ? "as written" : "with | separators");
  }
}

TEST(PuzzleFile, ClueIsStoredShiftedAndReadBack) {
  Grid g = test::zeros();
  g[1][1] = '7';
  EXPECT_EQ(puzzleText(g, Clue{1, 11, 21, '5'}).substr(0, 10), "1\n1\n11\n1\n7");
  for (int v = 1; v <= 21; ++v)
    for (char d = '1'; d <= '9'; ++d) {
      Clue c{1, v, 22 - v, d}, r;
      Grid back = test::zeros();
      lectureText(puzzleText(g, c), back, r);
      ASSERT_EQ(test::fields(r), test::fields(c));
      ASSERT_TRUE(back == g);
    }
}

TEST(PuzzleFile, ClueOutsideTheBoardIsDropped) {
  const std::string block = gridBlock(test::zeros());
  for (const char* header : {"1\n-31\n5\n3\n", "1\n5\n-20\n3\n", "1\n5\n5\n?\n", "1\n5\n5\nz\n",
                             "1\n5\nx\n"}) {
    Grid g = test::zeros();
    Clue clue;
    lectureText(std::string(header) + block, g, clue);
    EXPECT_EQ(test::fields(clue), test::fields(Clue{})) << header;
  }
  // Still inside once decoded: kept as the file says.
  Grid g = test::zeros();
  Clue clue;
  lectureText("1\n30\n0\n0\n" + block, g, clue);
  EXPECT_EQ(test::fields(clue), test::fields(Clue{1, 19, 10, '4'}));
}

TEST(PuzzleFile, ShortAndMisshapenFiles) {
  Grid g = test::zeros();
  Clue clue;
  lectureText("0\n", g, clue);
  EXPECT_TRUE(g == test::zeros());
  EXPECT_EQ(clue.ne, 0);

  // A Sudoku block that stops after row 9: the other rows stay as cleared.
  Grid s = test::zeros();
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c) s[r][c] = static_cast<char>('1' + (r + c) % 9);
  const std::string full = gridBlock(s);
  Grid got = test::zeros();
  lectureText("0\n" + full.substr(0, 11 * 28), got, clue);
  EXPECT_TRUE(got == s);

  // A short line shifts what follows: the reader counts, it does not resync.
  std::string shifted = full;
  shifted.erase(5, 1);
  Grid bad = test::zeros();
  lectureText("0\n" + shifted, bad, clue);
  EXPECT_EQ(bad[1][5], s[1][6]);
  EXPECT_EQ(bad[1][6], ' ');
  EXPECT_EQ(bad[1][7], s[1][8]);
}

TEST(PuzzleFile, UnreadableFileLeavesTheBoardAndSaysSo) {
  test::TempDir tmp("qx-puzzle");
  const auto path = tmp.path() / "quincunx-1.jeu";
  Grid g = test::zeros();
  g[1][1] = '5';
  Clue clue;
  const ReadStatus none = lecture(path.string(), g, clue);
  EXPECT_FALSE(none);
  EXPECT_TRUE(none.missing);
  for (test::Hostile k : test::kHostile) {
    SCOPED_TRACE(test::nameOf(k));
    test::plant(k, path);
    const ReadStatus st = lecture(path.string(), g, clue);
    EXPECT_FALSE(st);
    EXPECT_FALSE(st.missing);
    EXPECT_FALSE(st.why.empty());
    EXPECT_EQ(g[1][1], '5');
    EXPECT_EQ(clue.ne, 0);
  }
  std::filesystem::remove_all(path);
  std::ofstream(path, std::ios::binary) << puzzleText(g, Clue{});
  Grid back = test::zeros();
  EXPECT_TRUE(lecture(path.string(), back, clue));
  EXPECT_TRUE(back == g);
}

// Failures the file system rarely gives on demand, through the seam.
TEST(PuzzleFile, EveryReadErrorIsACannotRead) {
  test::TempDir tmp("qx-puzzle");
  const auto path = tmp.path() / "quincunx-1.jeu";
  std::ofstream(path) << "0\n";
  static int failWith = 0;
  static int step = 0;  // 0 open, 1 fstat, 2 read
  FileOps ops = systemFileOps();
  ops.open = [](const char* p, int f, mode_t m) { return step == 0 ? (errno = failWith, -1) : systemFileOps().open(p, f, m); };
  ops.fstat = [](int fd, struct stat* st) { return step == 1 ? (errno = failWith, -1) : systemFileOps().fstat(fd, st); };
  ops.read = [](int fd, void* b, size_t n) -> ssize_t { return step == 2 ? (errno = failWith, -1) : systemFileOps().read(fd, b, n); };
  for (int s : {0, 1, 2})
    for (int e : {EIO, EACCES, ENOMEM}) {
      step = s;
      failWith = e;
      setFileOps(&ops);
      std::string text = "stale";
      const ReadStatus st = readFile(path.string(), text);
      setFileOps(nullptr);
      EXPECT_FALSE(st) << s << " " << e;
      EXPECT_EQ(st.why, std::strerror(e));
      EXPECT_EQ(text, "");
    }
}

TEST(PuzzleFile, VariantFromTheName) {
  const struct {
    const char* name;
    int current, variant;
  } cases[] = {{"/x/Jeux/quincunx12.jeu", 1, 0}, {"sudoku_3.jeu", 0, 1},           {"/x/Sudoku.jeu", 0, 0},
               {"/x/Sudoku.jeu", 1, 1},          {"grille.jeu", 1, 1},             {"/sudoku/quincunx/grille.jeu", 0, 0},
               {"/quincunx/sudoku-hard-1.jeu", 0, 1}};
  for (const auto& c : cases) EXPECT_EQ(variantFromName(c.name, c.current), c.variant) << c.name;
}

}  // namespace
}  // namespace qx

// quincunx-solve's command line and its report format.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/puzzle_file.h"
#include "tests/support/puzzles.h"
#include "tools/solve/solve_cli.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

class SolveCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qx-solve-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string write(const std::string& name, const std::string& text) {
    const auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  int run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return runSolveCli(args, out, err);
  }

  fs::path dir;
  std::ostringstream out, err;
};

TEST_F(SolveCli, ReportsASudokuFileWithItsClue) {
  const auto set = test::loadSet("sudoku-easy");
  Board b = test::sudokuBoard(set[5].puzzle);
  int k = 0;
  while (set[5].puzzle[k] != '.') ++k;
  const Clue clue{1, k / 9 + 1, k % 9 + 1, set[5].solution[k]};
  const auto path = write("sudoku-5.jeu", puzzleText(b.tab1, clue));

  ASSERT_EQ(run({path}), 0) << err.str();
  std::istringstream lines(out.str());
  std::string l;
  std::getline(lines, l);
  EXPECT_EQ(l, "file: " + path);
  std::getline(lines, l);
  EXPECT_EQ(l, "variant: sudoku");
  std::getline(lines, l);
  EXPECT_EQ(l, "result: solved");
  std::getline(lines, l);
  const int givens = 81 - static_cast<int>(std::count(set[5].puzzle.begin(), set[5].puzzle.end(), '.'));
  EXPECT_EQ(l, "placed: " + std::to_string(81 - givens));
  std::string block;
  for (int i = 0; i < 27 && std::getline(lines, l); ++i) block += l + "\n";
  Grid shown;
  for (auto& row : shown) row.fill('0');
  TextReader in(block);
  readGridBlock(in, shown);
  for (int i = 0; i < 81; ++i) EXPECT_EQ(shown[i / 9 + 1][i % 9 + 1], set[5].solution[i]);
  EXPECT_EQ(shown[12][12], '0');
  std::getline(lines, l);
  EXPECT_EQ(l, "");
  EXPECT_FALSE(std::getline(lines, l));
}

TEST_F(SolveCli, VariantFromNameOrOption) {
  Board b;
  b.tab1 = test::fullQuincunx(5);
  b.tab1[20][20] = '0';
  const auto q = write("quincunx-a.jeu", puzzleText(b.tab1, Clue{}));
  const auto other = write("grille.jeu", puzzleText(b.tab1, Clue{}));
  ASSERT_EQ(run({q, other}), 0);
  EXPECT_NE(out.str().find("variant: quincunx\nresult: solved\nplaced: 1\n"), std::string::npos);
  EXPECT_EQ(out.str().find("sudoku"), std::string::npos);
  ASSERT_EQ(run({"--variant", "sudoku", q}), 0);
  EXPECT_NE(out.str().find("variant: sudoku\nresult: solved\nplaced: 0\n"), std::string::npos);
}

TEST_F(SolveCli, LinesModeAndItsBadLines) {
  const auto set = test::loadSet("sudoku-hard");
  std::string bad = set[0].puzzle;
  bad[3] = 'x';
  const auto path = write("set.txt", set[0].puzzle + "\r\n" + bad + "\nshort\n" +
                                         std::string(81, '0') + "\n");
  EXPECT_EQ(run({"--mode", "obvious", "--lines", path}), 1);
  EXPECT_NE(out.str().find("file: " + path + ":1\nvariant: sudoku\nresult: obvious\n"),
            std::string::npos);
  EXPECT_NE(out.str().find("file: " + path + ":4\n"), std::string::npos);
  EXPECT_EQ(out.str().find(":2\n"), std::string::npos);
  EXPECT_NE(err.str().find(path + ":2:"), std::string::npos);
  EXPECT_NE(err.str().find(path + ":3:"), std::string::npos);
}

TEST_F(SolveCli, EndingsAndStatuses) {
  Board b;
  b.setVariant(1);
  for (int c = 2; c <= 9; ++c) b.tab1[1][c] = static_cast<char>('0' + c - 1);
  b.tab1[5][1] = '9';
  const auto wrong = write("sudoku-wrong.jeu", puzzleText(b.tab1, Clue{}));
  const auto empty = write("sudoku-empty.jeu", "0\n");
  EXPECT_EQ(run({wrong, (dir / "missing.jeu").string(), empty}), 1);
  EXPECT_NE(out.str().find("result: erroneous"), std::string::npos);
  EXPECT_NE(out.str().find("result: incomplete"), std::string::npos);
  EXPECT_NE(err.str().find("missing.jeu"), std::string::npos);

  EXPECT_EQ(run({}), 2);
  EXPECT_EQ(run({"--mode", "loud", wrong}), 2);
  EXPECT_EQ(run({"--variant"}), 2);
  EXPECT_EQ(run({"--bogus", wrong}), 2);
  EXPECT_EQ(run({"--lines", wrong, empty}), 2);
  EXPECT_NE(err.str().find("usage:"), std::string::npos);
  EXPECT_EQ(run({"--help"}), 0);
}

}  // namespace
}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// quincunx-gen: the puzzles it makes and their ratings,
// its command line, and the puzzles we ship.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "engine/engine.h"
#include "engine/exact.h"
#include "files/puzzle_file.h"
#include "tests/support/puzzles.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/cli_fixture.h"
#include "tools/gen/gen_cli.h"
#include "tools/gen/generator.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using gen::Rating;

using test::slurp;
using test::zeros;

// ------------------------------------------------------------ generation

// What the engine does with a puzzle, told again from its counters.
void expectEngineRating(const gen::Puzzle& p, int su, Rating want, const std::string& what) {
  Board obvious;
  obvious.setVariant(su);
  obvious.tab1 = p.tab1;
  placeClue(obvious, p.clue);
  Board silent = obvious;
  SolverHost quiet;
  Engine(obvious, quiet).solution(kObvious);
  Engine engine(silent, quiet);
  engine.solution(kSilent);
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (inSubGrid(r, c, silent.sud)) {
        ASSERT_EQ(test::valueAt(silent, r, c), p.solution[r][c]) << what << " at " << r << "," << c;
      }
  bool obviousFills = true;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      obviousFills = obviousFills && (!inSubGrid(r, c, obvious.sud) || test::valueAt(obvious, r, c) != '0');
  EXPECT_EQ(obviousFills, want == Rating::kSingles) << what;
  EXPECT_EQ(engine.trouv == 1, want == Rating::kDeep) << what;
  if (want == Rating::kLogic || want == Rating::kTrials) {
    EXPECT_EQ(engine.placedByTrials > 0, want == Rating::kTrials) << what;
  }
}

TEST(Generate, EveryRatingOfBothVariantsIsUniqueAndAsAsked) {
  for (const int su : {1, 0})
    for (const Rating want : {Rating::kSingles, Rating::kLogic, Rating::kTrials, Rating::kDeep}) {
      const std::string what = std::string(su ? "sudoku " : "quincunx ") + gen::ratingName(want);
      gen::GenOptions opt;
      opt.su = su;
      opt.rating = want;
      const auto p = gen::generate(opt, 5, 1);
      ASSERT_TRUE(p) << what;
      EXPECT_EQ(p->rating, want);
      Board solved;
      solved.setVariant(su);
      solved.tab1 = p->solution;
      EXPECT_TRUE(test::isSolved(solved)) << what;
      // The plain counter is quick on a Sudoku; the five grids' minimal
      // puzzles are left to the solver it was compared with above.
      const int solutions =
          su ? test::countSolutions(p->tab1, 1, 2) : ExactSolver(5).count(p->tab1, 2);
      EXPECT_EQ(solutions, 1) << what;
      expectEngineRating(*p, su, want, what);
    }
}

TEST(Generate, SameSeedAndNumberSamePuzzle) {
  gen::GenOptions opt;
  opt.su = 0;
  opt.rating = Rating::kTrials;
  const auto a = gen::generate(opt, 7, 1), b = gen::generate(opt, 7, 1);
  const auto other = gen::generate(opt, 7, 2), reseeded = gen::generate(opt, 8, 1);
  ASSERT_TRUE(a && b && other && reseeded);
  EXPECT_EQ(puzzleText(a->tab1, a->clue), puzzleText(b->tab1, b->clue));
  EXPECT_FALSE(a->tab1 == other->tab1);
  EXPECT_FALSE(a->tab1 == reseeded->tab1);
}

TEST(Generate, SymmetricGivens) {
  for (const int su : {1, 0}) {
    gen::GenOptions opt;
    opt.su = su;
    opt.symmetric = true;
    const auto p = gen::generate(opt, 2, 1);
    ASSERT_TRUE(p);
    const int turn = su ? 10 : 22;
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (inSubGrid(r, c, su ? 1 : 5)) {
          EXPECT_EQ(isDigit(p->tab1[r][c]), isDigit(p->tab1[turn - r][turn - c])) << r << "," << c;
        }
  }
}

// Among these Quincunx puzzles some are beyond the engine at their fewest
// givens; a clue is added only when allowed and only when needed.
TEST(Generate, HiddenClueOnlyWhenTheEngineNeedsIt) {
  gen::GenOptions opt;
  opt.su = 0;
  opt.rating = Rating::kDeep;
  int clued = 0;
  for (int n = 1; n <= 6 && clued == 0; ++n) {
    const auto p = gen::generate(opt, 2028, n);
    ASSERT_TRUE(p);
    if (p->clue.ne != 1) continue;
    ++clued;
    EXPECT_EQ(p->tab1[p->clue.ie][p->clue.je], '0');
    EXPECT_EQ(p->clue.ce, p->solution[p->clue.ie][p->clue.je]);
    EXPECT_EQ(gen::rate(p->tab1, Clue{}, 0).rating, Rating::kUnsolved);
    EXPECT_EQ(gen::rate(p->tab1, p->clue, 0).rating, Rating::kDeep);
    opt.allowClue = false;
    const auto bare = gen::generate(opt, 2028, n);
    opt.allowClue = true;
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->clue.ne, 0);
    EXPECT_EQ(gen::rate(bare->tab1, bare->clue, 0).rating, Rating::kDeep);
  }
  EXPECT_GE(clued, 1);
}

// ---------------------------------------------------------- command line

using GenCli = test::CliTest<runGenCli>;

TEST_F(GenCli, WritesNamedFilesThatRateAsNamed) {
  const auto made = (dir / "made").string();
  ASSERT_EQ(run({"--variant", "sudoku", "--rating", "trials", "--count", "2", "--seed", "9",
                 "--out", made}),
            0)
      << err.str();
  const auto one = made + "/sudoku-trials-1.jeu", two = made + "/sudoku-trials-2.jeu";
  EXPECT_EQ(out.str().rfind(one + ": sudoku unique trials (", 0), 0u) << out.str();
  const std::string report = out.str();
  ASSERT_EQ(run({"--rate", one, two, "--jobs", "2"}), 0);
  EXPECT_EQ(out.str(), one + ": sudoku unique trials\n" + two + ": sudoku unique trials\n");

  // Three threads, one more puzzle: the same files and report lines, in order.
  const auto threads = (dir / "threads").string();
  ASSERT_EQ(run({"--variant", "sudoku", "--rating", "trials", "--count", "3", "--seed", "9",
                 "--out", threads, "--jobs", "3"}),
            0);
  std::string expected = report;
  for (std::size_t at; (at = expected.find(made)) != std::string::npos;) expected.replace(at, made.size(), threads);
  EXPECT_EQ(out.str().substr(0, expected.size()), expected);
  EXPECT_EQ(out.str().find(threads + "/sudoku-trials-3.jeu: sudoku unique trials ("), expected.size());
  EXPECT_EQ(slurp(threads + "/sudoku-trials-2.jeu"), slurp(two));

  // Puzzle 2 alone, under another name: the same puzzle.
  ASSERT_EQ(run({"--variant", "sudoku", "--rating", "trials", "--first", "2", "--seed", "9",
                 "--out", (dir / "again").string(), "--prefix", "grille"}),
            0);
  EXPECT_EQ(slurp(dir / "again" / "grille-trials-2.jeu"), slurp(two));
}

TEST_F(GenCli, RateTellsUniquenessVariantAndEngineResult) {
  const auto set = test::loadSet("sudoku-easy");
  const Grid easy = test::sudokuBoard(set[0].puzzle).tab1;
  const auto boards = test::withRectangles();
  const Grid& full = boards.full;
  Grid open = full;
  for (auto [r, c] : boards.left) open[r][c] = '0';  // two fillings in grid 4
  Grid wrong = easy;
  wrong[1][1] = wrong[1][2] = '7';

  auto put = [&](const char* name, const Grid& g) { return write(name, puzzleText(g, Clue{})); };
  const std::vector<std::string> files = {
      put("quincuno.jeu", easy), put("quincunn.jeu", full), put("quincunx-open.jeu", open),
      put("sudoku-wrong.jeu", wrong), put("grille.jeu", full)};
  const auto missing = (dir / "sudoku-missing.jeu").string();
  std::vector<std::string> args = {"--rate"};
  args.insert(args.end(), files.begin(), files.end());
  args.push_back(missing);
  EXPECT_EQ(run(args), 1);
  EXPECT_EQ(out.str(), files[0] + ": sudoku unique singles\n" + files[1] + ": quincunx unique singles\n" +
                           files[2] + ": quincunx not-unique unsolved\n" + files[3] +
                           ": sudoku no-solution unsolved\n" + files[4] + ": quincunx unique singles\n");
  EXPECT_NE(err.str().find("cannot read " + missing), std::string::npos);

  ASSERT_EQ(run({"--variant", "sudoku", "--rate", files[4]}), 0);
  EXPECT_EQ(out.str(), files[4] + ": sudoku unique singles\n");
}

TEST_F(GenCli, UsageErrors) {
  const auto file = write("sudoku-x.jeu", puzzleText(zeros(), Clue{}));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--rate"}, {"--rate", "--count", "2", file}, {file},
        {"--rating", "hard"}, {"--variant", "kakuro"}, {"--count", "0"}, {"--count"},
        {"--seed", "-3"}, {"--seed", "4294967296"}, {"--first", "x"}, {"--prefix", "a/b"},
        {"--tries", "0"}, {"--jobs", "0"}, {"--jobs"}, {"--bogus"}}) {
    EXPECT_EQ(run(args), 2) << args.front();
    EXPECT_NE(err.str().find("usage:"), std::string::npos);
  }
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(out.str().find("--rate FILE"), std::string::npos);
}

// ------------------------------------------------------- shipped puzzles

// The seeds scripts/make-puzzles.sh records still give the files we ship,
// whatever the solver does to be faster.
TEST(ShippedPuzzles, TheirSeedsStillMakeThem) {
  struct Case {
    int su;
    Rating rating;
    bool symmetric;
    std::uint32_t seed;
    int n;
    const char* file;
  } cases[] = {{1, Rating::kLogic, true, 2024, 3, "sudoku-logic-3.jeu"},
               {1, Rating::kDeep, false, 2024, 2, "sudoku-deep-2.jeu"},
               {0, Rating::kTrials, true, 2024, 1, "quincunx-trials-1.jeu"},
               {0, Rating::kDeep, false, 2028, 2, "quincunx-deep-2.jeu"}};
  for (const auto& c : cases) {
    gen::GenOptions opt;
    opt.su = c.su;
    opt.rating = c.rating;
    opt.symmetric = c.symmetric;
    const auto p = gen::generate(opt, c.seed, c.n);
    ASSERT_TRUE(p) << c.file;
    EXPECT_EQ(puzzleText(p->tab1, p->clue), slurp(fs::path(QX_DATA_DIR) / "Jeux" / c.file)) << c.file;
  }
}

// Jeux/ files are named VARIANT-RATING-N.jeu; the two defaults are rated
// logic or trials, so that the first puzzles seen need no guessing.
TEST(ShippedPuzzles, UniqueSolvedAndRatedAsNamed) {
  const fs::path data = QX_DATA_DIR;
  std::vector<fs::path> files = {data / "quincunn.jeu", data / "quincuno.jeu"};
  for (const auto& e : fs::directory_iterator(data / "Jeux"))
    if (e.path().extension() == ".jeu") files.push_back(e.path());
  std::map<std::string, int> inJeux;  // "sudoku logic" -> how many
  int clued = 0;
  for (const auto& path : files) {
    const std::string leaf = path.filename().string();
    SCOPED_TRACE(leaf);
    const bool isDefault = path.parent_path() == data;
    const int su = isDefault ? (leaf == "quincuno.jeu" ? 1 : 0) : variantFromName(leaf, -1);
    ASSERT_GE(su, 0);
    Grid tab1 = zeros();
    Clue clue;
    ASSERT_TRUE(lecture(path.string(), tab1, clue));
    clued += clue.ne == 1;
    Grid solution;
    ASSERT_EQ(ExactSolver(su == 0 ? 5 : 1).count(tab1, 2, &solution), 1);
    const auto verdict = gen::rate(tab1, clue, su);
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (inSubGrid(r, c, su == 0 ? 5 : 1)) {
          ASSERT_EQ(verdict.board[r][c], solution[r][c]);
        }
    const std::string rating = gen::ratingName(verdict.rating);
    const std::string variant = su ? "sudoku" : "quincunx";
    if (isDefault) {
      EXPECT_TRUE(rating == "logic" || rating == "trials") << rating;
    } else {
      EXPECT_EQ(leaf.rfind(variant + "-" + rating + "-", 0), 0u) << rating;
      ++inJeux[variant + " " + rating];
    }
  }
  int sudoku = 0, quincunx = 0;
  for (const auto& [kind, n] : inJeux) (kind[0] == 's' ? sudoku : quincunx) += n;
  EXPECT_GE(sudoku, 40);
  EXPECT_GE(quincunx, 20);
  for (const char* kind : {"sudoku singles", "sudoku logic", "sudoku trials", "sudoku deep",
                           "quincunx singles", "quincunx logic", "quincunx trials", "quincunx deep"})
    EXPECT_GT(inJeux[kind], 0) << kind;
  EXPECT_GE(clued, 2);

  // The first start shows the default Quincunx.
  EXPECT_EQ(slurp(data / "state" / "quincunx.jeu"), slurp(data / "quincunn.jeu"));
}

}  // namespace
}  // namespace qx

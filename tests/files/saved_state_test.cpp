// The five state files: round trips, the written layout, safe saving, and
// missing, short or damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <random>
#include <unistd.h>

#include "files/puzzle_file.h"
#include "files/saved_state.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

class SavedState : public ::testing::Test {
 protected:

  std::string slurp(const char* name) {
    std::ifstream in(dir / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void put(const char* name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }

  // Everything the files carry, with values of every kind they may hold.
  void fillRandomState(std::uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](const char* from) { return from[rng() % std::strlen(from)]; };
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c) {
        b.tab1[r][c] = isGapCell(r, c) ? ' ' : pick("0000123456789");
        b.tab2[r][c] = isGapCell(r, c) ? '0' : pick("00000123456789");
        b.tab7[r][c] = pick("000012");
        for (int d = 1; d <= 9; ++d) {
          b.candie[r][c][d] = pick("01");
          b.candif[r][c][d] = pick("01");
        }
      }
    b.setVariant(static_cast<int>(rng() % 2));
    clue = Clue{1, static_cast<int>(rng() % 21 + 1), static_cast<int>(rng() % 21 + 1),
                static_cast<char>('1' + rng() % 9)};
    s = Settings{static_cast<int>(rng() % 100000), 1, 1, 7, 1, 4, 19, 1, 1, -42};
  }

  test::TempDir tmp{"qx-state"};
  fs::path dir = tmp.path();
  Board b;
  Clue clue;
  Settings s;
};

TEST_F(SavedState, EverythingSurvivesARestart) {
  for (std::uint32_t seed = 1; seed <= 5; ++seed) {
    fillRandomState(seed);
    ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);

    Board back;
    Clue clueBack;
    Settings sBack;
    int su = -1;
    ASSERT_TRUE(lecture((dir / kPuzzleFile).string(), back.tab1, clueBack));
    lecturi(dir.string(), sBack, su, back.tab7);
    lecturf(dir.string(), back.tab2);
    lecturg(dir.string(), back.candie);
    lecturh(dir.string(), back.candif);

    EXPECT_TRUE(back.tab1 == b.tab1);
    EXPECT_TRUE(back.tab2 == b.tab2);
    EXPECT_TRUE(back.tab7 == b.tab7);
    EXPECT_TRUE(back.candie == b.candie);
    EXPECT_TRUE(back.candif == b.candif);
    EXPECT_EQ(su, b.su);
    EXPECT_EQ(clueBack.ne, 1);
    EXPECT_EQ(clueBack.ie, clue.ie);
    EXPECT_EQ(clueBack.je, clue.je);
    EXPECT_EQ(clueBack.ce, clue.ce);
    EXPECT_EQ(sBack.nTimer, s.nTimer);
    EXPECT_EQ(sBack.er, 1);
    EXPECT_EQ(sBack.es, 1);
    EXPECT_EQ(sBack.ess, 7);
    EXPECT_EQ(sBack.cand, 1);
    EXPECT_EQ(sBack.nxb, 4);
    EXPECT_EQ(sBack.nyb, 19);
    EXPECT_EQ(sBack.lang, 1);
    EXPECT_EQ(sBack.candet, 1);
    EXPECT_EQ(sBack.coin, -42);
  }
}

TEST_F(SavedState, WrittenLayout) {
  Board sudoku;
  sudoku.setVariant(1);
  Settings english;
  english.nTimer = 754;
  english.lang = 1;
  ASSERT_TRUE(saveState(dir.string(), sudoku, Clue{}, english).ok);
  const std::string settings = slurp(kSettingsFile);
  EXPECT_EQ(settings.substr(0, 25), "754\n1\n0\n0\n0\n0\n0\n0\n1\n0\n0\n0");
  EXPECT_EQ(settings.size(), 24u + 27 * 28);
  EXPECT_EQ(slurp(kPlacedFile).size(), 27u * 28);
  const std::string mask = slurp(kMaskFile);
  EXPECT_EQ(std::count(mask.begin(), mask.end(), '\n'), 252);
  EXPECT_EQ(mask.substr(0, 28), "111 111 111 111 111 111 111\n");
  EXPECT_EQ(mask.substr(27 * 28, 2), "\n1");  // the empty line after each digit
  EXPECT_EQ(slurp(kPuzzleFile).substr(0, 2), "0\n");
}

TEST_F(SavedState, CrLfFilesReadAsWritten) {
  fillRandomState(9);
  ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
  for (const char* name : {kPuzzleFile, kPlacedFile, kMaskFile, kTestMaskFile, kSettingsFile}) {
    std::string text = slurp(name), crlf;
    for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    put(name, crlf);
  }
  Board back;
  Settings sBack;
  int su = -1;
  lecturi(dir.string(), sBack, su, back.tab7);
  lecturf(dir.string(), back.tab2);
  lecturg(dir.string(), back.candie);
  EXPECT_TRUE(back.tab7 == b.tab7);
  EXPECT_TRUE(back.tab2 == b.tab2);
  EXPECT_TRUE(back.candie == b.candie);
  EXPECT_EQ(sBack.nTimer, s.nTimer);
  EXPECT_EQ(sBack.coin, s.coin);
}

TEST_F(SavedState, FailedSaveKeepsThePreviousState) {
  fillRandomState(3);
  ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
  const std::string before[] = {slurp(kPuzzleFile), slurp(kPlacedFile), slurp(kMaskFile),
                                slurp(kTestMaskFile), slurp(kSettingsFile)};

  // The last temporary cannot be created: nothing may be replaced.
  fs::create_directory(dir / (std::string(kSettingsFile) + ".tmp"));
  Board changed = b;
  changed.tab2[1][1] = changed.tab2[1][1] == '5' ? '6' : '5';
  const SaveResult r = saveState(dir.string(), changed, clue, s);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find(kSettingsFile), std::string::npos);
  const std::string after[] = {slurp(kPuzzleFile), slurp(kPlacedFile), slurp(kMaskFile),
                               slurp(kTestMaskFile), slurp(kSettingsFile)};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(after[i], before[i]) << i;
  EXPECT_FALSE(fs::exists(dir / (std::string(kPlacedFile) + ".tmp")));

  EXPECT_FALSE(saveState((dir / "no" / "such" / "folder").string(), b, clue, s).ok);
  if (fs::exists("/dev/full")) {
    fs::create_symlink("/dev/full", dir / (std::string(kMaskFile) + ".tmp"));
    fs::remove(dir / (std::string(kSettingsFile) + ".tmp"));
    EXPECT_FALSE(saveState(dir.string(), changed, clue, s).ok);  // disk full
    EXPECT_EQ(slurp(kPlacedFile), before[1]);
  }
}

TEST_F(SavedState, MissingOrShortFilesReadAsStartValues) {
  Grid tab2;
  for (auto& row : tab2) row.fill('7');  // what a solve left behind
  lecturf(dir.string(), tab2);
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) ASSERT_EQ(tab2[r][c], '0');

  Settings st;
  st.lang = 1;
  st.nTimer = 99;
  int su = 1;
  Grid tab7;
  lecturi(dir.string(), st, su, tab7);
  EXPECT_EQ(st.lang, 0);
  EXPECT_EQ(st.nTimer, 0);
  EXPECT_EQ(su, 0);

  // A candidate file cut after row 3 of digit 2: what came before as written, the rest '1'.
  Cands zero;
  for (auto& row : zero)
    for (auto& cell : row) cell.fill('0');
  put(kMaskFile, ecriturg(zero).substr(0, 27 * 28 + 1 + 4 * 28));
  Cands mask = zero;
  lecturg(dir.string(), mask);
  EXPECT_EQ(mask[21][21][1], '0');
  EXPECT_EQ(mask[1][1][2], '0');
  EXPECT_EQ(mask[3][21][2], '0');
  EXPECT_EQ(mask[5][1][2], '1');
  EXPECT_EQ(mask[1][1][9], '1');
}

TEST_F(SavedState, DamagedSettingsFallBackToStartValues) {
  auto read = [&](const std::string& head, int& su) {
    Settings st;
    Grid tab7;
    lecturiText(head + std::string(27 * 28, '0'), st, su, tab7);
    return st;
  };
  int su = -1;
  Settings st = read("-5\n7\n2\nx\n-3\n9\n30\n4\n2\n5\n-77\n", su);
  EXPECT_EQ(st.nTimer, 0);
  EXPECT_EQ(su, 0);
  EXPECT_EQ(st.er, 0);
  EXPECT_EQ(st.es, 0);
  EXPECT_EQ(st.ess, 0);
  EXPECT_EQ(st.cand, 0);
  EXPECT_EQ(st.nxb, 0);
  EXPECT_EQ(st.nyb, 0);
  EXPECT_EQ(st.lang, 0);
  EXPECT_EQ(st.candet, 0);
  EXPECT_EQ(st.coin, -77);

  st = read("12\n1\n1\n1\n3\n1\n5\n0\n1\n1\n8\n", su);  // half a test cell
  EXPECT_EQ(st.nxb, 0);
  EXPECT_EQ(st.nyb, 0);
  EXPECT_EQ(su, 1);
  EXPECT_EQ(st.es, 1);
  EXPECT_EQ(st.ess, 3);
  EXPECT_EQ(st.lang, 1);
  EXPECT_EQ(st.coin, 8);
}

}  // namespace
}  // namespace qx

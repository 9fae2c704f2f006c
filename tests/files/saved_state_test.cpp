// SPDX-License-Identifier: GPL-3.0-or-later
// The five state files: round trips, the written layout, safe saving, and
// missing, short or damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <cstring>
#include <random>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

#include "files/file_ops.h"
#include "files/puzzle_file.h"
#include "files/saved_state.h"
#include "tests/support/puzzles.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

std::vector<int> fields(const Settings& s) {
  return {s.nTimer, s.er, s.es, s.ess, s.cand, s.nxb, s.nyb, s.lang, s.candet, s.coin};
}

class SavedState : public ::testing::Test {
 protected:

  std::string slurp(const std::string& name) { return test::slurp(dir / name); }
  void put(const std::string& name, const std::string& text) {
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

  // All five files read back as a start reads them: what was saved.
  void expectReadBackAsSaved() {
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
    EXPECT_EQ(test::fields(clueBack), test::fields(clue));
    EXPECT_EQ(fields(sBack), fields(s));
  }

  test::TempDir tmp{"qx-state"};
  fs::path dir = tmp.path();
  Board b;
  Clue clue;
  Settings s;
};

TEST_F(SavedState, EverythingSurvivesARestartAlsoWithCrLfLineEnds) {
  for (std::uint32_t seed = 1; seed <= 5; ++seed) {
    fillRandomState(seed);
    ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
    expectReadBackAsSaved();
  }
  for (const std::string& name : stateFiles().names) {
    std::string crlf;
    for (char ch : slurp(name)) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    put(name, crlf);
  }
  expectReadBackAsSaved();
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

// Fails the n-th call of one kind (counting from 1), or every one from the
// n-th on; counts the calls of each kind.
enum Op { kWrite, kFsync, kRename, kLstat, kOps };
struct Faults {
  static inline int calls[kOps] = {};
  static inline int kind = -1, at = 0;
  static inline bool permanent = false;
  static bool hit(Op op) {
    const int n = ++calls[op];
    if (op != kind || (permanent ? n < at : n != at)) return false;
    errno = EIO;
    return true;
  }
  static void reset(int k, int n, bool perm) {
    std::fill(std::begin(calls), std::end(calls), 0);
    kind = k;
    at = n;
    permanent = perm;
  }
  static const FileOps& ops() {
    static const FileOps o = [] {
      FileOps f = systemFileOps();
      f.write = [](int fd, const void* p, size_t n) -> ssize_t {
        return hit(kWrite) ? -1 : systemFileOps().write(fd, p, n);
      };
      f.fsync = [](int fd) { return hit(kFsync) ? -1 : systemFileOps().fsync(fd); };
      f.rename = [](const char* a, const char* b) { return hit(kRename) ? -1 : systemFileOps().rename(a, b); };
      f.lstat = [](const char* p, struct stat* st) { return hit(kLstat) ? -1 : systemFileOps().lstat(p, st); };
      return f;
    }();
    return o;
  }
};

TEST_F(SavedState, EveryFailedStepLeavesAllOldOrAllNew) {
  Board oldB, newB;
  Clue oldC, newC;
  Settings oldS, newS;
  fillRandomState(3);
  oldB = b, oldC = clue, oldS = s;
  fillRandomState(4);
  newB = b, newC = clue, newS = s;
  const auto oldT = stateTexts(oldB, oldC, oldS), newT = stateTexts(newB, newC, newS);
  auto onDisk = [&] {
    auto t = newT;
    for (auto& [name, text] : t) text = slurp(name);
    return t;
  };
  auto leftovers = [&] {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() != ".jeu") ++n;
    return n;
  };

  // How many calls of each kind one save makes.
  ASSERT_TRUE(saveState(dir.string(), oldB, oldC, oldS).ok);
  Faults::reset(-1, 0, false);
  setFileOps(&Faults::ops());
  ASSERT_TRUE(saveState(dir.string(), newB, newC, newS).ok);
  setFileOps(nullptr);
  const int counts[kOps] = {Faults::calls[kWrite], Faults::calls[kFsync], Faults::calls[kRename],
                            Faults::calls[kLstat]};

  int failures = 0, recovered = 0;
  for (bool permanent : {false, true})
    for (int kind = 0; kind < kOps; ++kind)
      for (int n = 1; n <= counts[kind]; ++n) {
        SCOPED_TRACE(testing::Message() << "op " << kind << " call " << n << " permanent " << permanent);
        ASSERT_TRUE(saveState(dir.string(), oldB, oldC, oldS).ok);
        Faults::reset(kind, n, permanent);
        setFileOps(&Faults::ops());
        const SaveResult r = saveState(dir.string(), newB, newC, newS);
        setFileOps(nullptr);
        const auto now = onDisk();
        if (r.ok) {
          ++recovered;
          EXPECT_EQ(now, newT);
          EXPECT_EQ(leftovers(), 0);
        } else if (!r.committed) {
          ++failures;
          EXPECT_EQ(now, oldT);  // as the message says: the previous record is kept
          EXPECT_EQ(leftovers(), 0);
          EXPECT_FALSE(r.error.empty());
        } else {
          // On disk but not all in place: the next start completes it.
          EXPECT_TRUE(fs::exists(dir / kJournalFile));
          EXPECT_EQ(recoverState(dir.string()).error, "");
          EXPECT_EQ(onDisk(), newT);
          EXPECT_EQ(leftovers(), 0);
        }
      }
  // Before the journal a failure keeps the old record; after it, one retry
  // puts a passing failure right.
  EXPECT_GT(failures, 10);
  EXPECT_GT(recovered, 3);
}

TEST_F(SavedState, WhatStandsInTheFolderCannotSpoilASave) {
  fillRandomState(5);
  ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
  const std::string before = slurp(kPlacedFile);
  Board changed = b;
  changed.tab2[1][1] = changed.tab2[1][1] == '5' ? '6' : '5';

  // A folder in place of the mask file: nothing is replaced, nothing left.
  fs::remove(dir / kMaskFile);
  fs::create_directory(dir / kMaskFile);
  SaveResult r = saveState(dir.string(), changed, clue, s);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.committed);
  EXPECT_NE(r.error.find(kMaskFile), std::string::npos);
  EXPECT_EQ(slurp(kPlacedFile), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5);
  // Named as ignored, it is kept aside as NAME.bad and the save goes through.
  r = saveState(dir.string(), changed, clue, s, {kMaskFile});
  EXPECT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(fs::is_directory(dir / (std::string(kMaskFile) + ".bad")));
  EXPECT_EQ(slurp(kMaskFile), ecriturg(changed.candie));

  // A planted link is replaced, never written through.
  std::ofstream(dir / "victim") << "keep";
  fs::remove(dir / kSettingsFile);
  fs::create_symlink(dir / "victim", dir / kSettingsFile);
  ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
  EXPECT_EQ(slurp("victim"), "keep");
  EXPECT_FALSE(fs::is_symlink(dir / kSettingsFile));

  // Interrupted saves: stray temporaries go; an incomplete journal is
  // dropped; a complete one is rolled forward, a missing temporary counting
  // as in place only when the target is that very file; anything else in the
  // journal's place is reported, kept while the window reads, and set aside
  // as .bad by the next save, which goes on.
  const std::string tmp = std::string(kPlacedFile) + ".0123456789abcdef.tmp";
  const std::string journalBad = std::string(kJournalFile) + ".bad";
  auto inode = [&](const std::string& name) {
    struct stat st {};
    ::lstat((dir / name).c_str(), &st);
    return std::to_string(st.st_ino);
  };
  enum Make { text, folder, fifo, renamed, lostFile };
  const struct {
    Make make;
    std::string journal;
    Recovery::Kind kind;
    bool rolledForward;
  } journals[] = {
      {text, "quincunx journal 1\nquincunj.jeu " + tmp + " -\n", Recovery::none, false},
      {text, "quincunx jou", Recovery::none, false},
      {text, "", Recovery::none, false},
      {text, "quincunx journal 1\nquincunj.jeu " + tmp + " -\nend\n", Recovery::none, true},
      {text, "quincunx journal 2\nquincunj.jeu " + tmp + " - 1\nend\n", Recovery::none, true},
      {text, "quincunx journal 1\nvictim " + tmp + " -\nend\n", Recovery::none, false},
      {text, "quincunx journal 1\nquincunj.jeu ../" + tmp + " -\nend\n", Recovery::none, false},
      {renamed, "", Recovery::none, true},
      {lostFile, "", Recovery::blocking, false},
      {text, "notes of mine\n", Recovery::blocking, false},
      {folder, "", Recovery::blocking, false},
      {fifo, "", Recovery::blocking, false},
  };
  for (const auto& j : journals) {
    SCOPED_TRACE(testing::Message() << j.make << " " << j.journal);
    fs::remove_all(dir / journalBad);
    ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
    put(tmp, "new");
    put("quincunk.jeu.fedcba9876543210.tmp", "stray");
    const std::string v2 = "quincunx journal 2\nquincunj.jeu " + tmp + " - " + inode(tmp) + "\nend\n";
    switch (j.make) {
      case text: put(kJournalFile, j.journal); break;
      case folder: fs::create_directory(dir / kJournalFile); break;
      case fifo: ASSERT_EQ(::mkfifo((dir / kJournalFile).c_str(), 0600), 0); break;
      case renamed:  // cut short right after this file was put in place
        put(kJournalFile, v2);
        fs::rename(dir / tmp, dir / kPlacedFile);
        break;
      case lostFile:  // the new file went, and the target is not it
        put(kJournalFile, v2);
        fs::remove(dir / tmp);
        break;
    }
    const Recovery r = recoverState(dir.string());
    EXPECT_EQ(r.kind, j.kind) << r.error;
    EXPECT_EQ(r.error.empty(), j.kind == Recovery::none) << r.error;
    EXPECT_EQ(slurp(kPlacedFile), j.rolledForward ? "new" : ecriturf(b.tab2));
    EXPECT_EQ(slurp("victim"), "keep");
    EXPECT_FALSE(fs::exists(dir / tmp));
    EXPECT_FALSE(fs::exists(dir / "quincunk.jeu.fedcba9876543210.tmp"));
    EXPECT_EQ(fs::exists(dir / kJournalFile), j.kind != Recovery::none);
    EXPECT_TRUE(saveState(dir.string(), changed, clue, s).ok);
    EXPECT_EQ(slurp(kPlacedFile), ecriturf(changed.tab2));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / kJournalFile)));
    EXPECT_EQ(fs::exists(fs::symlink_status(dir / journalBad)), j.kind == Recovery::blocking);
  }
  // One more blocking journal beside a folder already named .bad.
  fs::remove_all(dir / journalBad);
  fs::create_directories(dir / journalBad / "x");
  fs::create_directory(dir / kJournalFile);
  EXPECT_TRUE(saveState(dir.string(), b, clue, s).ok);
  EXPECT_TRUE(fs::is_directory(dir / (std::string(kJournalFile) + ".1.bad")));

  // The lstat of a temporary failing (EIO) stops the roll-forward with the
  // journal kept; once it works again the save is finished, all new.
  ASSERT_TRUE(saveState(dir.string(), b, clue, s).ok);
  put(tmp, "new");
  put(kJournalFile, "quincunx journal 2\nquincunj.jeu " + tmp + " - " + inode(tmp) + "\nend\n");
  static const FileOps eio = [] {
    FileOps f = systemFileOps();
    f.lstat = [](const char* p, struct stat* st) {
      if (std::string_view(p).ends_with(".tmp")) return errno = EIO, -1;
      return systemFileOps().lstat(p, st);
    };
    return f;
  }();
  setFileOps(&eio);
  const Recovery stopped = recoverState(dir.string(), true);
  setFileOps(nullptr);
  EXPECT_EQ(stopped.kind, Recovery::unfinished);
  EXPECT_NE(stopped.error.find("Input/output error"), std::string::npos) << stopped.error;
  EXPECT_TRUE(fs::exists(dir / kJournalFile));
  EXPECT_EQ(slurp(kPlacedFile), ecriturf(b.tab2));
  EXPECT_TRUE(recoverState(dir.string()));
  EXPECT_EQ(slurp(kPlacedFile), "new");
  EXPECT_FALSE(saveState((dir / "no" / "such" / "folder").string(), b, clue, s).ok);
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
  EXPECT_EQ(std::string({mask[21][21][1], mask[1][1][2], mask[3][21][2], mask[5][1][2], mask[1][1][9]}), "00011");
}

TEST_F(SavedState, DamagedSettingsFallBackToStartValues) {
  auto read = [&](const std::string& head, int& su) {
    Settings st;
    Grid tab7;
    lecturiText(head + std::string(27 * 28, '0'), st, su, tab7);
    return st;
  };
  int su = -1;
  // Out of range or not a number: the start value; the carried value as read.
  Settings st = read("-5\n7\n2\nx\n-3\n9\n30\n4\n2\n5\n-77\n", su);
  EXPECT_EQ(fields(st), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, -77}));
  EXPECT_EQ(su, 0);

  st = read("12\n1\n1\n1\n3\n1\n5\n0\n1\n1\n8\n", su);  // half a test cell
  EXPECT_EQ(fields(st), (std::vector<int>{12, 1, 1, 3, 1, 0, 0, 1, 1, 8}));
  EXPECT_EQ(su, 1);
}

}  // namespace
}  // namespace qx

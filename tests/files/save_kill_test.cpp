// SPDX-License-Identifier: GPL-3.0-or-later
// A process killed while it saves, at random moments: the next start finds
// the five files all of one save, and nothing else beside them.
// QX_KILL_RUNS sets the number of kills (1000 for the full run).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "files/saved_state.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

using test::slurp;

TEST(SaveKill, NoMixedStateAfterAKillAtAnyMoment) {
  const char* env = std::getenv("QX_KILL_RUNS");
  const int runs = env ? std::atoi(env) : 100;
  test::TempDir tmp("qx-kill");
  const std::string dir = tmp.path().string();

  // Two states that differ in every file.
  Board a, b;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      a.tab1[r][c] = '1';
      b.tab1[r][c] = '2';
      a.tab2[r][c] = '3';
      b.tab2[r][c] = '4';
      a.tab7[r][c] = '1';
      b.tab7[r][c] = '2';
      for (int d = 1; d <= 9; ++d) {
        a.candie[r][c][d] = a.candif[r][c][d] = '0';
        b.candie[r][c][d] = b.candif[r][c][d] = '1';
      }
    }
  Settings sa, sb;
  sa.nTimer = 111;
  sb.nTimer = 222;
  const auto ta = stateTexts(a, Clue{}, sa), tb = stateTexts(b, Clue{}, sb);
  ASSERT_TRUE(saveState(dir, a, Clue{}, sa).ok);

  // Kills land anywhere in the first few saves.
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(saveState(dir, i % 2 ? a : b, Clue{}, i % 2 ? sa : sb).ok);
  const auto oneSave =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0) / 5;
  const long window = std::max<long>(3 * oneSave.count(), 200);

  std::mt19937 rng(12);
  int mixed = 0, allA = 0, allB = 0, leftovers = 0, journals = 0;
  for (int run = 0; run < runs; ++run) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int k = 0;; ++k) saveState(dir, k % 2 ? a : b, Clue{}, k % 2 ? sa : sb);
    }
    ::usleep(static_cast<useconds_t>(rng() % window));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    if (fs::exists(fs::path(dir) / kJournalFile)) ++journals;

    ASSERT_EQ(recoverState(dir).error, "");  // what the next start does first
    int fromA = 0, fromB = 0;
    for (int f = 0; f < 5; ++f) {
      const std::string t = slurp(fs::path(dir) / ta[f].first);
      fromA += t == ta[f].second;
      fromB += t == tb[f].second;
    }
    if (fromA == 5) ++allA;
    else if (fromB == 5) ++allB;
    else ++mixed;
    for (const auto& e : fs::directory_iterator(dir))
      if (e.path().extension() != ".jeu") ++leftovers;
  }
  std::cout << "kills " << runs << ": all A " << allA << ", all B " << allB << ", mixed " << mixed
            << ", leftovers " << leftovers << ", journal found " << journals << ", one save "
            << oneSave.count() << " us\n";
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(leftovers, 0);
  EXPECT_GT(allA, 0);
  EXPECT_GT(allB, 0);
}

}  // namespace
}  // namespace qx

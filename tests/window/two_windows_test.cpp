// SPDX-License-Identifier: GPL-3.0-or-later
// Two program processes on one state folder: the first records on a slowed
// disk while the second starts. The second must hand over to the first and
// leave the folder alone; the first's record must land whole. And a new
// user's first start, in the installed layout, in the locale's language.
// QX_RACE_RUNS sets the number of races (100 by default).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/single_window.h"
#include "files/file_ops.h"
#include "files/saved_state.h"
#include "platform/qt/qt_platform.h"
#include "tests/support/temp_dir.h"
#include "ui/app.h"

namespace qx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kStateFiles[5] = {kPuzzleFile, kPlacedFile, kMaskFile, kTestMaskFile, kSettingsFile};

// Two states that differ in every file; b holds a typed value a lacks.
struct TwoStates {
  Board a, b;
  Settings sa, sb;
  std::string ta[5], tb[5];
  TwoStates() {
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c) {
        a.tab1[r][c] = b.tab1[r][c] = '0';
        a.tab2[r][c] = b.tab2[r][c] = '0';
        for (int d = 1; d <= 9; ++d) a.candie[r][c][d] = a.candif[r][c][d] = b.candie[r][c][d] = '1';
      }
    a.tab1[1][1] = '5';
    b.tab1[1][1] = '6';
    b.tab2[1][2] = '7';
    b.candie[2][2][3] = b.candif[3][3][4] = '0';
    sa.nTimer = 111;
    sb.nTimer = 222;
    const std::string x[5] = {ecriture(a.tab1, Clue{}), ecriturf(a.tab2), ecriturg(a.candie), ecriturh(a.candif),
                              ecrituri(sa, a.su, a.tab7)};
    const std::string y[5] = {ecriture(b.tab1, Clue{}), ecriturf(b.tab2), ecriturg(b.candie), ecriturh(b.candif),
                              ecrituri(sb, b.su, b.tab7)};
    for (int i = 0; i < 5; ++i) ta[i] = x[i], tb[i] = y[i];
  }
};

// Everything a process could change in a folder: names, sizes, times, inodes, bytes.
std::string snapshot(const fs::path& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& e : fs::directory_iterator(dir)) {
    struct stat st {};
    ::lstat(e.path().c_str(), &st);
    entries[e.path().filename().string()] =
        std::to_string(st.st_size) + " " + std::to_string(st.st_ino) + " " + std::to_string(st.st_mtim.tv_sec) +
        "." + std::to_string(st.st_mtim.tv_nsec) + " " + (S_ISREG(st.st_mode) && st.st_size < 100000 ? test::slurp(e.path()) : "");
  }
  std::string out;
  for (const auto& [name, what] : entries) out += name + " " + what + "\n";
  return out;
}

// A copy of the program that runs as a portable one in dir, or an installed
// one under prefix.
void copyProgram(const fs::path& bin) {
  fs::create_directories(bin);
  fs::copy_file(QX_PROGRAM, bin / "quincunx-kelvo", fs::copy_options::overwrite_existing);
}

// Starts the program with extra environment; its pid.
pid_t launch(const fs::path& program, const std::vector<std::pair<std::string, std::optional<std::string>>>& env,
             const fs::path& log) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Under the sanitizers the exit code must be the program's own, not a
    // leak report about the toolkit's objects at exit.
    if (const char* asan = std::getenv("ASAN_OPTIONS"))
      ::setenv("ASAN_OPTIONS", (std::string(asan) + ":detect_leaks=0").c_str(), 1);
    for (const auto& [k, v] : env) v ? ::setenv(k.c_str(), v->c_str(), 1) : ::unsetenv(k.c_str());
    std::freopen(log.c_str(), "a", stderr);
    std::freopen("/dev/null", "w", stdout);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// Its exit code, or -1 when it had to be killed after limit.
int waitFor(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(2ms);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The first window's disk: every call waits delayUs; the pauseAt-th one
// (counting from 1) tells the parent and waits for its word.
struct SlowDisk {
  static inline int delayUs = 0, pauseAt = 0, calls = 0, toParent = -1, fromParent = -1;
  static void step() {
    ++calls;
    if (calls == pauseAt) {
      char c = 'P';
      (void)!::write(toParent, &c, 1);
      (void)!::read(fromParent, &c, 1);
    }
    if (delayUs) ::usleep(static_cast<useconds_t>(delayUs));
  }
  static const FileOps& ops() {
    static const FileOps o = [] {
      FileOps f = systemFileOps();
      f.open = [](const char* p, int fl, mode_t m) { return step(), systemFileOps().open(p, fl, m); };
      f.write = [](int fd, const void* b, size_t n) { return step(), systemFileOps().write(fd, b, n); };
      f.fsync = [](int fd) { return step(), systemFileOps().fsync(fd); };
      f.lstat = [](const char* p, struct stat* st) { return step(), systemFileOps().lstat(p, st); };
      f.rename = [](const char* a, const char* b) { return step(), systemFileOps().rename(a, b); };
      f.unlink = [](const char* p) { return step(), systemFileOps().unlink(p); };
      return f;
    }();
    return o;
  }
};

void tell(int fd, char c) { (void)!::write(fd, &c, 1); }

// The first window: the program's own start on dir, then a Record of state b
// on the slowed disk; then it waits a moment to be asked to the front.
[[noreturn]] void firstWindow(const fs::path& dir, const TwoStates& s, int toParent, int fromParent) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  int argc = 1;
  char name[] = "quincunx-kelvo";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  // A box (a failed record) is answered at once, and told.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      tell(toParent, 'M');
      box->close();
    }
  });
  answer.start(10);
  SingleWindow single(dir.string());
  if (single.outcome() != StateLock::held) tell(toParent, 'L'), ::_exit(2);
  QtPlatform platform;
  App app(platform, dir.string());
  app.startUp();
  // No start-up solve (its box would wait for an answer): the record is what counts here.
  platform.stopTimer(timer::kStartUp);
  if (ecriture(app.b.tab1, app.clue) != s.ta[0]) tell(toParent, 'X'), ::_exit(3);
  app.b = s.b;
  static_cast<Settings&>(app.m) = s.sb;
  SlowDisk::toParent = toParent;
  SlowDisk::fromParent = fromParent;
  setFileOps(&SlowDisk::ops());
  tell(toParent, 'B');
  const bool saved = app.record();
  setFileOps(nullptr);
  tell(toParent, saved ? 'S' : 'F');
  QElapsedTimer clock;
  clock.start();
  while (single.raises() == 0 && clock.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  tell(toParent, single.raises() > 0 ? 'R' : 'N');
  ::_exit(0);
}

char hear(int fd) {
  char c = 0;
  return ::read(fd, &c, 1) == 1 ? c : '?';
}

TEST(TwoWindows, TheSecondHandsOverAndNeverTouchesTheFolderWhileTheFirstRecords) {
  const char* env = std::getenv("QX_RACE_RUNS");
  const int runs = env ? std::atoi(env) : 100;
  test::TempDir tmp("qx-two");
  const fs::path dir = tmp.path() / "copy", log = tmp.path() / "second.log";
  copyProgram(dir);
  for (const char* f : {"quincunn.jeu", "quincuno.jeu"}) fs::copy_file(fs::path(QX_DATA_DIR) / f, dir / f);
  const TwoStates s;

  // How many file calls one record makes.
  ASSERT_TRUE(saveState(dir.string(), s.a, Clue{}, s.sa).ok);
  SlowDisk::calls = 0;
  setFileOps(&SlowDisk::ops());
  ASSERT_TRUE(saveState(dir.string(), s.b, Clue{}, s.sb).ok);
  setFileOps(nullptr);
  const int calls = SlowDisk::calls;
  ASSERT_GT(calls, 20);

  std::mt19937 rng(18);
  int whole = 0, mixed = 0, lost = 0, touched = 0, handedOver = 0, raised = 0, leftovers = 0, failures = 0;
  long secondMs = 0;
  for (int run = 0; run < runs; ++run) {
    ASSERT_TRUE(saveState(dir.string(), s.a, Clue{}, s.sa).ok);
    // Even runs stop the first at a random call of its record while the
    // second runs whole; odd ones start the second at a random moment of a
    // record slowed to 2 ms a call.
    const bool paused = run % 2 == 0;
    SlowDisk::calls = 0;
    SlowDisk::delayUs = paused ? 0 : 2000;
    SlowDisk::pauseAt = paused ? static_cast<int>(rng() % calls) + 1 : 0;
    int up[2], down[2];
    ASSERT_EQ(::pipe2(up, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(down, O_CLOEXEC), 0);
    const pid_t first = ::fork();
    ASSERT_GE(first, 0);
    if (first == 0) firstWindow(dir, s, up[1], down[0]);
    ::close(up[1]);
    ::close(down[0]);

    char c = hear(up[0]);
    ASSERT_EQ(c, 'B') << "the first window did not start (" << c << ")";
    std::string before;
    if (paused) {
      ASSERT_EQ(hear(up[0]), 'P');
      before = snapshot(dir);
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(rng() % (calls * 2000)));
    }
    const auto t0 = std::chrono::steady_clock::now();
    const int code = waitFor(launch(dir / "quincunx-kelvo", {}, log), 15s);
    secondMs += std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    handedOver += code == 0;
    if (paused) {
      touched += snapshot(dir) != before;
      tell(down[1], 'G');
    }
    char result = hear(up[0]);
    while (result == 'M') result = hear(up[0]);  // a box about the record
    failures += result != 'S';
    raised += hear(up[0]) == 'R';
    ::waitpid(first, nullptr, 0);
    ::close(up[0]);
    ::close(down[1]);

    int fromA = 0, fromB = 0;
    for (int f = 0; f < 5; ++f) {
      const std::string t = test::slurp(dir / kStateFiles[f]);
      fromA += t == s.ta[f];
      fromB += t == s.tb[f];
    }
    if (fromB == 5) ++whole;
    else if (fromA == 5) ++lost;
    else ++mixed;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string n = e.path().filename().string();
      if (!n.ends_with(".jeu") && n != kLockFile && n != "quincunx-kelvo") ++leftovers;
    }
  }
  std::cout << "races " << runs << ": whole " << whole << ", mixed " << mixed << ", lost " << lost
            << ", second touched the folder " << touched << " of " << (runs + 1) / 2 << " paused, handed over "
            << handedOver << ", first raised " << raised << ", failed records " << failures << ", leftovers "
            << leftovers << ", second start " << (runs ? secondMs / runs : 0) << " ms on average\n";
  if (handedOver != runs) std::cout << test::slurp(log);
  EXPECT_EQ(whole, runs);
  EXPECT_EQ(mixed, 0);
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(touched, 0);
  EXPECT_EQ(handedOver, runs);
  EXPECT_EQ(raised, runs);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(leftovers, 0);
}

TEST(TwoWindows, TwoPortableCopiesRunSideBySide) {
  test::TempDir tmp("qx-side");
  int up[2], down[2];
  ASSERT_EQ(::pipe(up), 0);
  ASSERT_EQ(::pipe(down), 0);
  const TwoStates s;
  const fs::path one = tmp.path() / "one", two = tmp.path() / "two";
  for (const fs::path& d : {one, two}) {
    copyProgram(d);
    for (const char* f : {"quincunn.jeu", "quincuno.jeu"}) fs::copy_file(fs::path(QX_DATA_DIR) / f, d / f);
    ASSERT_TRUE(saveState(d.string(), s.a, Clue{}, s.sa).ok);
  }
  // The first window holds one; the second copy starts as a window of its own.
  SlowDisk::delayUs = 0;
  SlowDisk::calls = 0;
  SlowDisk::pauseAt = 1;
  const pid_t first = ::fork();
  if (first == 0) firstWindow(one, s, up[1], down[0]);
  ASSERT_EQ(hear(up[0]), 'B');
  ASSERT_EQ(hear(up[0]), 'P');
  const pid_t other = launch(two / "quincunx-kelvo", {}, tmp.path() / "log");
  // A window of its own waits at its start-up box.
  EXPECT_EQ(waitFor(other, 1500ms), -1);
  tell(down[1], 'G');
  EXPECT_EQ(hear(up[0]), 'S');
  ::kill(first, SIGKILL);
  ::waitpid(first, nullptr, 0);
}

TEST(TwoWindows, ANewUsersFirstStartSpeaksTheLocalesLanguageAndASavedSettingWins) {
  test::TempDir tmp("qx-new");
  const fs::path prefix = tmp.path() / "usr";
  copyProgram(prefix / "bin");
  const fs::path share = prefix / "share/quincunx";
  fs::create_directories(share / "state");
  fs::copy_file(fs::path(QX_DATA_DIR) / "quincunn.jeu", share / "quincunn.jeu");
  fs::copy_file(fs::path(QX_DATA_DIR) / "state" / kPuzzleFile, share / "state" / kPuzzleFile);
  auto languageAfterStart = [&](const fs::path& home, const char* lang) {
    const fs::path state = home / "quincunx";
    const pid_t pid = launch(prefix / "bin/quincunx-kelvo",
                             {{"XDG_DATA_HOME", home.string()}, {"LC_ALL", std::nullopt},
                              {"LC_MESSAGES", std::nullopt}, {"LANG", lang}},
                             tmp.path() / "log");
    // Seeded before the window opens; then it waits at its start-up box.
    for (int i = 0; i < 500 && !fs::exists(state / kSettingsFile); ++i) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    Settings st;
    int su = 0;
    Grid tab7;
    lecturi(state.string(), st, su, tab7);
    EXPECT_EQ(test::slurp(state / kPuzzleFile), test::slurp(share / "state" / kPuzzleFile));
    return st.lang;
  };
  EXPECT_EQ(languageAfterStart(tmp.path() / "de", "de_DE.UTF-8"), 1);
  EXPECT_EQ(languageAfterStart(tmp.path() / "fr", "fr_FR.UTF-8"), 0);
  // Recorded in English, it stays English under a French locale.
  EXPECT_EQ(languageAfterStart(tmp.path() / "de", "fr_FR.UTF-8"), 1);
}

}  // namespace
}  // namespace qx

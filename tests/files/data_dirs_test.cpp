// SPDX-License-Identifier: GPL-3.0-or-later
// Which folder holds the shipped data and which the user's state, by layout;
// the first start of an installed program; one writer per state folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <csignal>
#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/data_dirs.h"
#include "files/file_ops.h"
#include "files/saved_state.h"
#include "files/state_lock.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

void touch(const fs::path& p, const std::string& text = "0\n") {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << text;
}

using test::slurp;

TEST(ProgramFolders, DecidedByLayoutAndTheXdgRules) {
  test::TempDir root("folders");
  const fs::path r = root.path();
  // An installed prefix, a portable copy that also sits above a share folder,
  // and a bare executable folder.
  touch(r / "usr/share/quincunx/quincunn.jeu");
  fs::create_directories(r / "usr/bin");
  touch(r / "copy/bin/quincunn.jeu");
  touch(r / "copy/share/quincunx/quincunn.jeu");
  fs::create_directories(r / "bare/bin");
  const std::string installedData = (r / "usr/share/quincunx").string();
  const std::string home = (r / "home/ann").string();

  struct Case {
    const char* what;
    std::string exe;
    std::optional<std::string> xdg, home;
    std::string data, state;
    bool installed;
  };
  const Case cases[] = {
      {"portable", (r / "copy/bin").string(), "/x", home, (r / "copy/bin").string(),
       (r / "copy/bin").string(), false},
      {"installed, XDG_DATA_HOME", (r / "usr/bin").string(), "/x/data/", home, installedData,
       "/x/data/quincunx", true},
      {"installed, XDG_DATA_HOME unset", (r / "usr/bin").string(), std::nullopt, home,
       installedData, home + "/.local/share/quincunx", true},
      {"installed, XDG_DATA_HOME empty", (r / "usr/bin").string(), "", home, installedData,
       home + "/.local/share/quincunx", true},
      {"installed, XDG_DATA_HOME relative", (r / "usr/bin").string(), "rel/data", home,
       installedData, home + "/.local/share/quincunx", true},
      {"installed, no home at all", (r / "usr/bin").string(), std::nullopt, std::nullopt,
       installedData, installedData, true},
      {"installed, relative home", (r / "usr/bin").string(), std::nullopt, "ann", installedData,
       installedData, true},
      {"no data anywhere", (r / "bare/bin").string(), "/x", home, (r / "bare/bin").string(),
       (r / "bare/bin").string(), false},
      {"no executable directory", "0", "/x", home, "0", "0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProgramFolders f = programFolders(c.exe, c.xdg ? c.xdg->c_str() : nullptr,
                                            c.home ? c.home->c_str() : nullptr);
    EXPECT_EQ(f.data, c.data);
    EXPECT_EQ(f.state, c.state);
    EXPECT_EQ(f.installed, c.installed);
  }
}

TEST(ProgramFolders, FirstStartSeedsTheStateFolderAllOrNothingInTheUsersLanguage) {
  test::TempDir root("seed");
  const fs::path r = root.path();
  const std::string shipped = slurp(fs::path(QX_DATA_DIR) / "state" / kPuzzleFile);
  ASSERT_GT(shipped.size(), 100u);
  touch(r / "share/quincunx/quincunn.jeu");
  touch(r / "share/quincunx/state/quincunx.jeu", shipped);
  const ProgramFolders f{(r / "share/quincunx").string(), (r / "home/.local/share/quincunx").string(),
                         true};
  const fs::path state(f.state);
  auto language = [&] {
    Settings st;
    int su = -1;
    Grid tab7;
    lecturi(f.state, st, su, tab7);
    return st.lang;
  };
  auto onlyStateFiles = [&] {
    for (const auto& e : fs::directory_iterator(state))
      if (e.path().extension() != ".jeu") return false;
    return true;
  };
  std::string error;
  ASSERT_TRUE(makeStateFolder(f, error)) << error;

  // What an older version may have left, and what a player recorded.
  const struct {
    const char* what;
    std::optional<std::string> puzzle, settings;
    int lang;
    bool seeded;
  } cases[] = {
      {"new user, English", std::nullopt, std::nullopt, 1, true},
      {"new user, French", std::nullopt, std::nullopt, 0, true},
      {"0-byte seed of a full disk", "", std::nullopt, 1, true},
      {"seed cut short", shipped.substr(0, 300), std::nullopt, 1, true},
      {"seed without a language", shipped, std::nullopt, 1, true},
      {"recorded in French", "mine\n", "0\n", 1, false},
      {"the first puzzle recorded in French", shipped, "0\n", 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(state);
    fs::create_directories(state);
    if (c.puzzle) touch(state / kPuzzleFile, *c.puzzle);
    if (c.settings) touch(state / kSettingsFile, *c.settings);
    ASSERT_TRUE(seedStateFolder(f, c.lang, error)) << error;
    EXPECT_EQ(slurp(state / kPuzzleFile), c.seeded ? shipped : *c.puzzle);
    EXPECT_EQ(language(), c.seeded ? c.lang : 0);
    EXPECT_TRUE(onlyStateFiles());
  }
  EXPECT_EQ(slurp(r / "share/quincunx/state/quincunx.jeu"), shipped);

  // A full disk: nothing is put in place, the reason is told, and the next
  // start with space back seeds the folder.
  static const FileOps full = [] {
    FileOps o = systemFileOps();
    o.write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; };
    return o;
  }();
  fs::remove_all(state);
  fs::create_directories(state);
  touch(state / kPuzzleFile, "");
  setFileOps(&full);
  EXPECT_FALSE(seedStateFolder(f, 1, error));
  setFileOps(nullptr);
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  EXPECT_EQ(slurp(state / kPuzzleFile), "");
  EXPECT_TRUE(onlyStateFiles());
  ASSERT_TRUE(seedStateFolder(f, 1, error)) << error;
  EXPECT_EQ(slurp(state / kPuzzleFile), shipped);

  // A folder that cannot be made is reported with its reason, not passed over.
  touch(r / "file", "");
  fs::create_symlink(r / "nowhere", r / "dangling");
  for (const char* in : {"file/quincunx", "dangling/quincunx"}) {
    SCOPED_TRACE(in);
    const ProgramFolders blocked{f.data, (r / in).string(), true};
    error.clear();
    EXPECT_FALSE(makeStateFolder(blocked, error));
    EXPECT_NE(error.find((r / in).string()), std::string::npos) << error;
  }

  // A portable layout is left as it is.
  const ProgramFolders portable{(r / "copy").string(), (r / "copy").string(), false};
  ASSERT_TRUE(makeStateFolder(portable, error));
  ASSERT_TRUE(seedStateFolder(portable, 1, error));
  EXPECT_FALSE(fs::exists(r / "copy"));
}

TEST(ProgramFolders, FirstLanguageFromTheLocale) {
  const struct {
    const char *all, *messages, *lang;
    int expected;
  } cases[] = {
      {nullptr, nullptr, "de_DE.UTF-8", 1}, {nullptr, nullptr, "fr_FR.UTF-8", 0},
      {nullptr, nullptr, "fr", 0},          {nullptr, nullptr, "fr_CA@euro", 0},
      {nullptr, nullptr, nullptr, 1},       {nullptr, nullptr, "C", 1},
      {"", "", "fr_BE.UTF-8", 0},           {"en_GB.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", 1},
      {nullptr, "fr_FR.UTF-8", "de_DE", 0}, {"fr_FR", "en_US", "en_US", 0},
      {nullptr, nullptr, "fry_NL", 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(localeLanguage(c.all, c.messages, c.lang), c.expected)
        << (c.all ? c.all : "-") << " " << (c.messages ? c.messages : "-") << " " << (c.lang ? c.lang : "-");
}

// Runs body in a child process; its exit code.
int inChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StateLock, OneWriterPerFolderAcrossProcessesAndAKilledHolderLetsGo) {
  test::TempDir root("lock");
  const fs::path a = root.path() / "a", b = root.path() / "b";
  fs::create_directories(a);
  fs::create_directories(b);
  touch(a / kPuzzleFile, "mine\n");
  auto listing = [&] {
    std::string out;
    for (const auto& e : fs::directory_iterator(a)) {
      struct stat st {};
      ::lstat(e.path().c_str(), &st);
      out += e.path().filename().string() + " " + std::to_string(st.st_size) + " " +
             std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_ino) + "\n";
    }
    return out;
  };
  {
    StateLock first(a.string());
    ASSERT_EQ(first.outcome(), StateLock::held) << first.error();
    const std::string before = listing();
    // A second process: busy on the same folder, leaving it as it was; free on another.
    EXPECT_EQ(inChild([&] { return StateLock(a.string()).outcome(); }), StateLock::busy);
    EXPECT_EQ(listing(), before);
    EXPECT_EQ(inChild([&] { return StateLock(b.string()).outcome(); }), StateLock::held);
  }
  // A holder killed while it holds the lock: the next start takes it over.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    StateLock lock(a.string());
    const char ok = lock.outcome() == StateLock::held ? 'y' : 'n';
    (void)!::write(ready[1], &ok, 1);
    for (;;) ::pause();
  }
  char got = 0;
  ASSERT_EQ(::read(ready[0], &got, 1), 1);
  EXPECT_EQ(got, 'y');
  EXPECT_EQ(StateLock(a.string()).outcome(), StateLock::busy);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_EQ(StateLock(a.string()).outcome(), StateLock::held);

  // No folder: failed, with the reason.
  StateLock none((root.path() / "missing").string());
  EXPECT_EQ(none.outcome(), StateLock::failed);
  EXPECT_NE(none.error().find("No such file or directory"), std::string::npos) << none.error();
}

}  // namespace
}  // namespace qx

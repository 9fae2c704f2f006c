// SPDX-License-Identifier: GPL-3.0-or-later
// Which help viewers the help button tries, in which order, and the boxes
// for a missing executable name or help file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/help_launcher.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

TEST(HelpLauncher, ViewersBesideTheExecutableThenOnThePath) {
  struct Case {
    const char* name;
    std::vector<const char*> executables;  // made under the test's folder
    std::vector<const char*> others;       // plain files or (ending in /) folders
    const char* path;                      // entries relative to the test's folder
    const char* dir;                       // the executable directory
    std::vector<const char*> viewers;
  };
  const Case cases[] = {
      {"own viewer beside wins over the PATH", {"exe/quincunx-help", "p1/quincunx-help", "p1/xchm"}, {}, "p1", "exe",
       {"exe/quincunx-help", "p1/xchm"}},
      {"own viewer from the PATH, then the others in their order",
       {"p2/quincunx-help", "p2/xdg-open", "p1/kchmviewer", "p2/xchm"}, {}, "p1:p2", "exe",
       {"p2/quincunx-help", "p2/xchm", "p1/kchmviewer", "p2/xdg-open"}},
      {"the first PATH entry holding a program wins", {"p1/xchm", "p2/xchm"}, {}, "p2:p1", "exe", {"p2/xchm"}},
      {"not executable, or a folder, is skipped", {"p2/xdg-open"}, {"exe/quincunx-help", "p1/xchm/", "p1/kchmviewer"},
       "p1:p2", "exe", {"p2/xdg-open"}},
      {"empty PATH entries are not the current folder", {"p1/xdg-open", "exe/xchm"}, {}, "::p1:", "exe",
       {"p1/xdg-open"}},
      {"installed: the viewer in the games folder beside share/quincunx",
       {"usr/games/quincunx-help", "usr/bin/quincunx-help", "p1/quincunx-help"}, {"usr/share/quincunx/"}, "p1",
       "usr/share/quincunx", {"usr/games/quincunx-help"}},
      {"installed in bin/", {"usr/bin/quincunx-help", "p1/quincunx-help"}, {"usr/share/quincunx/"}, "p1",
       "usr/share/quincunx", {"usr/bin/quincunx-help"}},
      {"unknown executable directory", {"p1/quincunx-help"}, {}, "p1", "0", {"p1/quincunx-help"}},
      {"nothing found", {"exe/xchm"}, {}, "", "exe", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir tmp("qx-launch");
    const fs::path root = tmp.path();
    auto make = [&](const char* rel, bool executable) {
      const fs::path p = root / rel;
      if (p.filename().empty()) {
        fs::create_directories(p);
        return;
      }
      fs::create_directories(p.parent_path());
      std::ofstream(p) << "#!/bin/sh\n";
      fs::permissions(p, executable ? fs::perms(0755) : fs::perms(0644));
    };
    fs::create_directories(root / "exe");
    for (const char* e : c.executables) make(e, true);
    for (const char* o : c.others) make(o, false);
    std::string path;
    for (std::string_view rest = c.path;;) {
      const auto colon = rest.find(':');
      const std::string_view entry = rest.substr(0, colon);
      path += entry.empty() ? "" : (root / entry).string();
      if (colon == std::string_view::npos) break;
      path += ":";
      rest = rest.substr(colon + 1);
    }
    const std::string dir = std::string_view(c.dir) == "0" ? "0" : (root / c.dir).string();
    std::vector<std::string> expected;
    for (const char* v : c.viewers) expected.push_back((root / v).string());
    EXPECT_EQ(helpViewers(dir, path), expected);
  }
}

TEST(HelpLauncher, BoxesForAMissingNameOrHelpFile) {
  test::TempDir tmp("qx-launch");
  const fs::path dir = tmp.path() / "with space";
  fs::create_directories(dir);
  std::ofstream(dir / "quincunx-en.chm") << "x";

  EXPECT_EQ(ViewReadMeFile("0", "quincunx-en.chm").errorText, 81);
  const HelpLaunch missing = ViewReadMeFile(dir.string(), "quincunx-fr.chm");
  EXPECT_EQ(missing.errorText, 82);
  EXPECT_TRUE(missing.viewers.empty());
  // The path is handed on as one argument, spaces and all.
  const HelpLaunch found = ViewReadMeFile(dir.string(), "quincunx-en.chm");
  EXPECT_EQ(found.errorText, 0);
  EXPECT_EQ(found.helpPath, dir.string() + "/quincunx-en.chm");
}

}  // namespace
}  // namespace qx

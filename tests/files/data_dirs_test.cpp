// Which folder holds the shipped data and which the user's state, by layout;
// and the first start of an installed program.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "files/data_dirs.h"
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

TEST(ProgramFolders, FirstStartSeedsTheStateFolderOnceAndNeverOverwrites) {
  test::TempDir root("seed");
  const fs::path r = root.path();
  touch(r / "share/quincunx/quincunn.jeu");
  touch(r / "share/quincunx/state/quincunx.jeu", "first\n");
  const ProgramFolders f{(r / "share/quincunx").string(), (r / "home/.local/share/quincunx").string(),
                         true};
  std::string error;
  ASSERT_TRUE(prepareStateFolder(f, error)) << error;
  EXPECT_EQ(slurp(fs::path(f.state) / "quincunx.jeu"), "first\n");

  // A recorded state stays as the user left it.
  touch(fs::path(f.state) / "quincunx.jeu", "mine\n");
  ASSERT_TRUE(prepareStateFolder(f, error)) << error;
  EXPECT_EQ(slurp(fs::path(f.state) / "quincunx.jeu"), "mine\n");
  EXPECT_EQ(slurp(r / "share/quincunx/state/quincunx.jeu"), "first\n");

  // A folder that cannot be made is reported, not passed over.
  touch(r / "file", "");
  const ProgramFolders blocked{f.data, (r / "file/quincunx").string(), true};
  EXPECT_FALSE(prepareStateFolder(blocked, error));
  EXPECT_NE(error.find((r / "file/quincunx").string()), std::string::npos) << error;

  // A portable layout is left as it is.
  const ProgramFolders portable{(r / "copy").string(), (r / "copy").string(), false};
  ASSERT_TRUE(prepareStateFolder(portable, error));
  EXPECT_FALSE(fs::exists(r / "copy"));
}

}  // namespace
}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/data_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "files/exe_dir.h"
#include "files/file_ops.h"
#include "files/puzzle_file.h"
#include "files/saved_state.h"

namespace fs = std::filesystem;

namespace qx {

namespace {

constexpr const char* kInstalledData = "../share/quincunx";
constexpr const char* kFirstState = "state";

bool isFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

bool absolute(const char* dir) { return dir && dir[0] == '/'; }

}  // namespace

ProgramFolders programFolders(const std::string& exeDir, const char* xdgDataHome, const char* home) {
  ProgramFolders f{exeDir, exeDir, false};
  if (exeDir == "0") return f;  // no executable directory: the written fallback
  if (isFile(fs::path(exeDir) / kDefaultQuincunx)) return f;
  const fs::path shared = (fs::path(exeDir) / kInstalledData).lexically_normal();
  if (!isFile(shared / kDefaultQuincunx)) return f;

  f.installed = true;
  f.data = shared.string();
  // The XDG base directory rules: a relative XDG_DATA_HOME is ignored.
  if (absolute(xdgDataHome))
    f.state = (fs::path(xdgDataHome) / "quincunx").lexically_normal().string();
  else if (absolute(home))
    f.state = (fs::path(home) / ".local/share/quincunx").lexically_normal().string();
  else
    f.state = f.data;
  return f;
}

ProgramFolders programFolders() {
  const char* home = std::getenv("HOME");
  if (!absolute(home)) {
    // As the shell would: the password database knows the home of a user
    // started without HOME.
    if (const passwd* pw = ::getpwuid(::getuid()); pw && absolute(pw->pw_dir)) home = pw->pw_dir;
  }
  return programFolders(executableDirectory(), std::getenv("XDG_DATA_HOME"), home);
}

bool makeStateFolder(const ProgramFolders& folders, std::string& error) {
  if (!folders.installed || folders.state == folders.data) return true;
  std::error_code ec;
  const fs::path state(folders.state);
  fs::create_directories(state, ec);
  if (!ec && !fs::is_directory(state)) ec = std::make_error_code(std::errc::not_a_directory);
  if (ec) {
    error = folders.state + ": " + reason(ec.value());
    return false;
  }
  return true;
}

std::string firstStateFolder(const ProgramFolders& folders) {
  return (fs::path(folders.data) / kFirstState).string();
}

bool seedStateFolder(const ProgramFolders& folders, int lang, std::string& error) {
  if (!folders.installed || folders.state == folders.data) return true;
  const std::string first = firstStateFolder(folders);
  std::string shipped, mine, firstSettings;
  if (const ReadStatus st = readFile(first + "/" + kPuzzleFile, shipped); !st) {
    error = first + "/" + kPuzzleFile + ": " + st.why;
    return false;
  }
  const ReadStatus own = readFile(folders.state + "/" + kPuzzleFile, mine);
  // Something else in its place is the start-up's to report, not ours to replace.
  if (!own && !own.missing) return true;
  const bool cutShort = mine.size() < shipped.size() && shipped.starts_with(mine);
  struct stat st {};
  const bool settings = ::lstat((folders.state + "/" + kSettingsFile).c_str(), &st) == 0;
  // A seed without its language is finished too: a record always has one.
  if (own && !cutShort && (settings || mine != shipped)) return true;

  Settings s;
  int su = 0;
  Grid tab7;
  readFile(first + "/" + kSettingsFile, firstSettings);
  lecturiText(firstSettings, s, su, tab7);
  s.lang = lang;
  const SaveResult r =
      putInPlace(folders.state, {{kPuzzleFile, shipped}, {kSettingsFile, ecrituri(s, su, tab7)}});
  if (!r.ok) error = r.error;
  return r.ok;
}

int localeLanguage(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* v : {lcAll, lcMessages, lang}) {
    if (!v || !*v) continue;
    const std::string_view name(v);
    return name.substr(0, name.find_first_of("_.@")) == "fr" ? 0 : 1;
  }
  return 1;
}

int localeLanguage() {
  return localeLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace qx

#include "files/data_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "files/exe_dir.h"
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

bool prepareStateFolder(const ProgramFolders& folders, std::string& error) {
  if (!folders.installed || folders.state == folders.data) return true;
  std::error_code ec;
  const fs::path state(folders.state);
  fs::create_directories(state, ec);
  if (ec || !fs::is_directory(state)) {
    error = "cannot create " + folders.state + ": " + (ec ? ec.message() : "not a folder");
    return false;
  }
  if (fs::exists(state / kPuzzleFile, ec)) return true;
  const fs::path first = fs::path(folders.data) / kFirstState;
  for (const auto& entry : fs::directory_iterator(first, ec)) {
    if (!entry.is_regular_file(ec)) continue;
    fs::copy_file(entry.path(), state / entry.path().filename(), fs::copy_options::skip_existing, ec);
    if (ec) {
      error = "cannot copy " + entry.path().string() + " to " + folders.state + ": " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace qx

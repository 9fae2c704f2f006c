#include "files/help_launcher.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace qx {

namespace {

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::stringstream dirs(path);
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (dir.empty()) continue;
    const std::string candidate = dir + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate))
      return true;
  }
  return false;
}

}  // namespace

std::string helpViewer() {
  for (const char* viewer : {"xchm", "kchmviewer"})
    if (onPath(viewer)) return viewer;
  return "xdg-open";
}

HelpLaunch ViewReadMeFile(const std::string& dir, const std::string& helpFile) {
  HelpLaunch launch;
  if (dir == "0") {
    launch.errorText = 81;
    return launch;
  }
  const std::string path = dir + "/" + helpFile;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    launch.errorText = 82;
    return launch;
  }
  launch.program = helpViewer();
  launch.args = {path};
  return launch;
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/help_launcher.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unistd.h>

#include "texts/text_numbers.h"

namespace qx {

namespace {

bool runnable(const std::string& file) {
  std::error_code ec;
  return std::filesystem::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
}

std::optional<std::string> onPath(std::string_view program, std::string_view path) {
  while (!path.empty()) {
    const std::size_t colon = path.find(':');
    const std::string_view dir = path.substr(0, colon);
    path = colon == std::string_view::npos ? std::string_view() : path.substr(colon + 1);
    // An empty entry is the current folder, which is never searched here.
    if (dir.empty()) continue;
    std::string candidate = std::string(dir) + "/" + std::string(program);
    if (runnable(candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> helpViewers(const std::string& dir, std::string_view path) {
  std::vector<std::string> viewers;
  // dir holds the data: beside the executable, or in an installed layout its
  // ../share/quincunx, whose programs are in ../../games (or ../../bin). An
  // unpacked package need not be on the PATH.
  std::optional<std::string> own;
  if (dir != "0") {
    for (const char* bin : {"/", "/../../games/", "/../../bin/"}) {
      const std::string beside = dir + bin + std::string(kHelpViewer);
      if (runnable(beside)) {
        own = std::filesystem::path(beside).lexically_normal().string();
        break;
      }
    }
  }
  if (!own) own = onPath(kHelpViewer, path);
  if (own) viewers.push_back(*own);
  for (std::string_view other : {"xchm", "kchmviewer", "xdg-open"})
    if (auto found = onPath(other, path)) viewers.push_back(*found);
  return viewers;
}

HelpLaunch ViewReadMeFile(const std::string& dir, const std::string& helpFile) {
  HelpLaunch launch;
  if (dir == "0") {
    launch.errorText = number(Text::kExecutableName);
    return launch;
  }
  launch.helpPath = dir + "/" + helpFile;
  std::error_code ec;
  if (!std::filesystem::exists(launch.helpPath, ec)) {
    launch.errorText = number(Text::kHelpFileMissing);
    return launch;
  }
  const char* path = std::getenv("PATH");
  launch.viewers = helpViewers(dir, path ? path : "");
  return launch;
}

}  // namespace qx

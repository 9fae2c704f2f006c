// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening the help file of the current language in a help viewer.

#include <string>
#include <string_view>
#include <vector>

namespace qx {

// The program's own viewer, built and installed beside quincunx-kelvo.
inline constexpr std::string_view kHelpViewer = "quincunx-help";

// What opening the help comes to: a box with text 81 or 82 (titled with
// text 10), or the viewers to try in turn with the help file as their one
// argument (none found: the window says that no viewer could be started).
struct HelpLaunch {
  int errorText = 0;  // 0 when a viewer is to be started
  std::string helpPath;
  std::vector<std::string> viewers;
};

// dir: the executable directory ("0" when it could not be found); helpFile:
// the help file's name in the current language. Viewers are looked up on
// the PATH of this process.
HelpLaunch ViewReadMeFile(const std::string& dir, const std::string& helpFile);

// The viewers that can show a compiled help file, best first, as paths to
// start: quincunx-help beside the executable (dir, or dir/../../games or
// dir/../../bin for the installed data folder; else on the PATH), then xchm,
// kchmviewer and xdg-open on the PATH. path: a PATH value.
std::vector<std::string> helpViewers(const std::string& dir, std::string_view path);

}  // namespace qx

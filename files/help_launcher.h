#pragma once
// Opening the help file of the current language in a help viewer.

#include <string>
#include <vector>

namespace qx {

// What opening the help comes to: a box with text 81 or 82 (titled with
// text 10), or a viewer to start with the help file as its one argument.
struct HelpLaunch {
  int errorText = 0;  // 0 when a viewer is to be started
  std::string program;
  std::vector<std::string> args;
};

// dir: the executable directory ("0" when it could not be found); helpFile:
// the help file's name in the current language.
HelpLaunch ViewReadMeFile(const std::string& dir, const std::string& helpFile);

// The first of the compiled-help viewers found on the PATH, else xdg-open.
std::string helpViewer();

}  // namespace qx

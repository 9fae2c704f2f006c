// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder of the running executable, where every file of the program lies.

#include <string>

namespace qx {

// The directory of the running binary, or "0" when it cannot be found (the
// files are then looked for in a relative folder of that name).
std::string executableDirectory();
// The path of a file beside the executable.
std::string besideExecutable(const std::string& name);

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// quincunx-solve: solves puzzle files with the program's engine and prints a
// fixed report per puzzle that scripts can rely on.

#include <iosfwd>
#include <string>
#include <vector>

namespace qx {

// Runs the command line; returns the exit status (0 fine, 1 some puzzle
// could not be read, 2 usage error).
int runSolveCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// quincunx-gen: makes Sudoku and Quincunx puzzle files with a single
// solution and a rating from the program's engine, and rates existing ones.

#include <iosfwd>
#include <string>
#include <vector>

namespace qx {

// Runs the command line; returns the exit status (0 fine, 1 a file could not
// be read or written or a puzzle could not be made, 2 usage error).
int runGenCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qx

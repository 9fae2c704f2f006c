// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <string>
#include <vector>

#include "tools/common/output.h"
#include "tools/solve/solve_cli.h"

int main(int argc, char** argv) {
  qx::FdOutBuf buf(1);
  std::ostream out(&buf);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    out << "quincunx-solve " QX_VERSION "\n";
    return qx::checkOutput(out, std::cerr, "quincunx-solve", 0);
  }
  return qx::runSolveCli(args, out, std::cerr);
}

#include <iostream>
#include <string>
#include <vector>

#include "tools/gen/gen_cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "quincunx-gen " QX_VERSION "\n";
    return 0;
  }
  return qx::runGenCli(args, std::cout, std::cerr);
}

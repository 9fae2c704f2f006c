// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A command-line tool run in-process on files of the test's own folder, its
// output and errors kept for the checks.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace qx::test {

using CliMain = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

template <CliMain Main>
class CliTest : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::string& text) {
    const auto path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  int run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return Main(args, out, err);
  }

  TempDir tmp{"qx-cli"};
  std::filesystem::path dir = tmp.path();
  std::ostringstream out, err;
};

}  // namespace qx::test

// SPDX-License-Identifier: GPL-3.0-or-later
// The command line read against a table of options, as both tools read it.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/common/options.h"

namespace qx {
namespace {

TEST(Options, ReadsValuesFlagsOperandsAndAnswers) {
  constexpr ToolInfo tool{"tool", "usage: tool\n"};
  const std::string version = std::string("tool ") + QX_VERSION + "\n";
  struct Case {
    std::vector<std::string> args;
    int status;  // -1: the tool runs
    std::string out, err;
    std::string seen;  // what the options took, then the operands
  } cases[] = {
      {{"--n", "3", "a"}, -1, "", "", "n3 | a"},
      {{"--n=3", "--text=a=b", "--text="}, -1, "", "", "n3 ta=b t |"},
      {{"a", "--flag", "-", "b"}, -1, "", "", "f | a - b"},
      {{"--flag", "--", "--flag", "-x", "--help"}, -1, "", "", "f | --flag -x --help"},
      {{"a", "--n", "2", "--version", "--bogus"}, 0, version, "", "n2 | a"},
      {{"--flag", "-h"}, 0, "usage: tool\n", "", "f |"},
      {{"--text", "--help"}, -1, "", "", "t--help |"},
      {{"--n", "0"}, 2, "", "tool: --n takes a number from 1 to 9\nusage: tool\n", "|"},
      {{"--n", "--flag"}, 2, "", "tool: --n takes a number from 1 to 9\nusage: tool\n", "|"},
      {{"--n"}, 2, "", "tool: --n takes a number from 1 to 9\nusage: tool\n", "|"},
      {{"--n=1x"}, 2, "", "tool: --n takes a number from 1 to 9\nusage: tool\n", "|"},
      {{"--n="}, 2, "", "tool: --n takes a number from 1 to 9\nusage: tool\n", "|"},
      {{"--n=-1"}, 2, "", "tool: --n takes a number from 1 to 9\nusage: tool\n", "|"},
      {{"--text"}, 2, "", "tool: --text takes a text\nusage: tool\n", "|"},
      {{"--flag=1"}, 2, "", "tool: --flag takes no value\nusage: tool\n", "|"},
      {{"--fla", "--help"}, 2, "", "tool: unknown option --fla\nusage: tool\n", "|"},
      {{"--bogus=1"}, 2, "", "tool: unknown option --bogus=1\nusage: tool\n", "|"},
      {{"-n", "3"}, 2, "", "tool: unknown option -n\nusage: tool\n", "|"},
      {{"-="}, 2, "", "tool: unknown option -=\nusage: tool\n", "|"},
  };
  for (const Case& c : cases) {
    std::string seen;
    int n = 0;
    const std::vector<Option> table = {
        numberOption("n", n, 1, 9, [&] { seen += "n" + std::to_string(n) + " "; }),
        Option::flag("flag", [&] { seen += "f "; }),
        Option::value("text", [&](const std::string* v) -> std::string {
          if (!v) return "--text takes a text";
          seen += "t" + *v + " ";
          return "";
        })};
    std::vector<std::string> operands;
    std::ostringstream out, err;
    const auto status = parseOptions(tool, table, c.args, operands, out, err);
    seen += "|";
    for (const std::string& o : operands) seen += " " + o;
    const std::string what = c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : "");
    EXPECT_EQ(status.value_or(-1), c.status) << what;
    EXPECT_EQ(out.str(), c.out) << what;
    EXPECT_EQ(err.str(), c.err) << what;
    EXPECT_EQ(seen, c.seen) << what;
  }
}

}  // namespace
}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A tool's command line read against a table of its long options: each with
// or without a value ("--name value" or "--name=value"), "--" ending the
// options, and --help and --version answered wherever they stand.

#include <charconv>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

// What every tool says alike: its name before each error, its usage text.
struct ToolInfo {
  const char* name;
  std::string_view usage;
};

struct Option {
  // Takes the option's value (nullptr when the command line ends without
  // one); returns why it is a usage error, or "".
  using Take = std::function<std::string(const std::string* value)>;

  static Option flag(const char* name, std::function<void()> set) {
    return {name, false, [set = std::move(set)](const std::string*) {
              set();
              return std::string();
            }};
  }
  static Option value(const char* name, Take take) { return {name, true, std::move(take)}; }

  const char* name;  // without its "--"
  bool hasValue;
  Take take;
};

// Decimal digits and nothing else, within lo..hi.
template <class T>
bool parseNumber(const std::string& text, T& value, T lo, T hi) {
  const char* end = text.data() + text.size();
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value >= lo && value <= hi;
}

// An option whose value is a number from lo to hi, put in to; then also.
template <class T>
Option numberOption(const char* name, T& to, T lo, T hi, std::function<void()> also = {}) {
  return Option::value(name, [name, &to, lo, hi, also = std::move(also)](const std::string* v) {
    if (!v || !parseNumber(*v, to, lo, hi))
      return "--" + std::string(name) + " takes a number from " + std::to_string(lo) + " to " + std::to_string(hi);
    if (also) also();
    return std::string();
  });
}

// The options both tools take alike: --variant quincunx|sudoku (0 or 1 in
// variant) and --pdf FILE; then also.
Option variantOption(int& variant);
Option pdfOption(std::string& file, std::function<void()> also = {});

// Reads args against table in order: each option's value goes to its Take,
// every other argument (and all after "--") to operands. Returns the exit
// status when the command line is answered already: 0 after --help or
// --version on out, 2 after a usage error on err. Nothing when the tool
// should run.
std::optional<int> parseOptions(const ToolInfo& tool, const std::vector<Option>& table,
                                const std::vector<std::string>& args, std::vector<std::string>& operands,
                                std::ostream& out, std::ostream& err);

// "TOOL: why" and the usage on err; the status of a usage error, 2.
int usageError(const ToolInfo& tool, std::ostream& err, std::string_view why);

}  // namespace qx

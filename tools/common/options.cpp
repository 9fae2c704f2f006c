// SPDX-License-Identifier: GPL-3.0-or-later
// A tool's command line read against the table of its options.
#include "tools/common/options.h"

#include <ostream>

namespace qx {

int usageError(const ToolInfo& tool, std::ostream& err, std::string_view why) {
  err << tool.name << ": " << why << "\n" << tool.usage;
  return 2;
}

Option variantOption(int& variant) {
  return Option::value("variant", [&variant](const std::string* v) -> std::string {
    if (!v || (*v != "quincunx" && *v != "sudoku")) return "--variant takes quincunx or sudoku";
    variant = *v == "sudoku" ? 1 : 0;
    return "";
  });
}

Option pdfOption(std::string& file, std::function<void()> also) {
  return Option::value("pdf", [&file, also = std::move(also)](const std::string* v) -> std::string {
    if (!v || v->empty()) return "--pdf takes a file";
    file = *v;
    if (also) also();
    return "";
  });
}

std::optional<int> parseOptions(const ToolInfo& tool, const std::vector<Option>& table,
                                const std::vector<std::string>& args, std::vector<std::string>& operands,
                                std::ostream& out, std::ostream& err) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      operands.insert(operands.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    }
    if (a == "-h" || a == "--help") {
      out << tool.usage;
      return 0;
    }
    if (a == "--version") {
      out << tool.name << " " QX_VERSION "\n";
      return 0;
    }
    if (a.size() < 2 || a[0] != '-') {
      operands.push_back(a);
      continue;
    }
    const std::size_t eq = a.find('=');
    const Option* option = nullptr;
    if (a[1] == '-')
      for (const Option& o : table)
        if (std::string_view(a).substr(2, eq - 2) == o.name) option = &o;
    if (!option) return usageError(tool, err, "unknown option " + a);
    std::string attached;
    const std::string* value = nullptr;
    if (eq != std::string::npos) {
      if (!option->hasValue) return usageError(tool, err, "--" + std::string(option->name) + " takes no value");
      attached = a.substr(eq + 1);
      value = &attached;
    } else if (option->hasValue && i + 1 < args.size()) {
      value = &args[++i];
    }
    if (const std::string why = option->take(value); !why.empty()) return usageError(tool, err, why);
  }
  return std::nullopt;
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/exe_dir.h"

#include <filesystem>
#include <system_error>

namespace qx {

std::string executableDirectory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return "0";
  return exe.parent_path().string();
}

std::string besideExecutable(const std::string& name) {
  return executableDirectory() + "/" + name;
}

}  // namespace qx

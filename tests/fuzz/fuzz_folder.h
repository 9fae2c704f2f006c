// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A working folder of the fuzz target's own, removed at exit.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace qx::fuzz {

namespace detail {
inline std::filesystem::path*& root() {
  static std::filesystem::path* p = nullptr;
  return p;
}
inline void removeRoot() {
  std::error_code ec;
  std::filesystem::remove_all(*root(), ec);
}
}  // namespace detail

// /dev/shm/qx-fuzz-NAME-PID (or the temporary folder), with sub inside it
// when given; made at the first call.
inline const std::filesystem::path& folder(const char* name, const char* sub = nullptr) {
  namespace fs = std::filesystem;
  // Never destroyed, so that the clean-up at exit can still use it.
  static const fs::path& dir = *new fs::path([&] {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    detail::root() = new fs::path(base / ("qx-fuzz-" + std::string(name) + "-" + std::to_string(::getpid())));
    fs::path d = sub ? *detail::root() / sub : *detail::root();
    fs::create_directories(d);
    std::atexit(detail::removeRoot);
    return d;
  }());
  return dir;
}

}  // namespace qx::fuzz

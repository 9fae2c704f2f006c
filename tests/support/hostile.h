// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Things a user or an attacker may leave where the program expects one of its
// files. We run tests as root, so a file merely made unreadable (chmod 000)
// would still be read: the read error is a real one, /proc/self/mem read at
// offset 0.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace qx::test {

enum class Hostile { fifo, zero, urandom, folder, big, readError };
inline constexpr Hostile kHostile[] = {Hostile::fifo,   Hostile::zero, Hostile::urandom,
                                       Hostile::folder, Hostile::big,  Hostile::readError};

inline const char* nameOf(Hostile k) {
  switch (k) {
    case Hostile::fifo: return "a FIFO";
    case Hostile::zero: return "a link to /dev/zero";
    case Hostile::urandom: return "a link to /dev/urandom";
    case Hostile::folder: return "a folder";
    case Hostile::big: return "a file of 100 MB";
    case Hostile::readError: return "a file whose reading fails";
  }
  return "";
}

// Replaces whatever is at p.
inline void plant(Hostile k, const std::filesystem::path& p) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::remove_all(p, ec);
  switch (k) {
    case Hostile::fifo: ::mkfifo(p.c_str(), 0644); break;
    case Hostile::zero: fs::create_symlink("/dev/zero", p); break;
    case Hostile::urandom: fs::create_symlink("/dev/urandom", p); break;
    case Hostile::folder: fs::create_directory(p); break;
    case Hostile::big: {
      { std::FILE* f = std::fopen(p.c_str(), "w"); if (f) std::fclose(f); }
      fs::resize_file(p, 100u << 20);  // sparse: no disk used
      break;
    }
    case Hostile::readError: fs::create_symlink("/proc/self/mem", p); break;
  }
}

}  // namespace qx::test

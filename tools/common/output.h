// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Standard output for the command-line tools: a buffer over a file
// descriptor that remembers why a write failed, and the check every tool
// makes of its output before it exits; a tool's main over them.

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace qx {

class FdOutBuf : public std::streambuf {
 public:
  explicit FdOutBuf(int fd) : fd_(fd), buf_(1 << 16) { setp(buf_.data(), buf_.data() + buf_.size()); }
  ~FdOutBuf() override { sync(); }
  // errno of the first failed write, 0 while none failed.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type ch) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }
  int sync() override { return drain() ? 0 : -1; }

 private:
  bool drain() {
    if (error_) return false;
    for (const char* p = pbase(); p < pptr();) {
      const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = n < 0 ? errno : EIO;
        return false;
      }
      p += n;
    }
    setp(buf_.data(), buf_.data() + buf_.size());
    return true;
  }

  int fd_;
  std::vector<char> buf_;
  int error_ = 0;
};

// Flushes out; when it could not be written, says why on err after the
// tool's name and gives status 1, else the given status.
inline int checkOutput(std::ostream& out, std::ostream& err, const char* tool, int status) {
  out.flush();
  if (out) return status;
  const auto* fd = dynamic_cast<const FdOutBuf*>(out.rdbuf());
  const int why = fd && fd->error() ? fd->error() : EIO;
  err << tool << ": cannot write the output: " << std::strerror(why) << "\n";
  return 1;
}

using ToolRun = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A tool's main: its arguments run with standard output through FdOutBuf.
inline int toolMain(int argc, char** argv, ToolRun run) {
  FdOutBuf buf(1);
  std::ostream out(&buf);
  return run(std::vector<std::string>(argv + 1, argv + argc), out, std::cerr);
}

}  // namespace qx

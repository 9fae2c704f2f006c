// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/text_reader.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "files/file_ops.h"

namespace qx {

namespace {
bool isSpace(int ch) { return ch == ' ' || (ch >= '\t' && ch <= '\r'); }
}  // namespace

TextReader::TextReader(std::string_view bytes) {
  text_.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text_.push_back(bytes[i]);
  }
}

int TextReader::get() {
  if (pos_ >= text_.size()) return kEof;
  return static_cast<unsigned char>(text_[pos_++]);
}

void TextReader::skipSpace() {
  while (pos_ < text_.size() && isSpace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
}

bool TextReader::scanInt(int& value) {
  skipSpace();
  std::size_t p = pos_;
  bool negative = false;
  if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) {
    negative = text_[p] == '-';
    ++p;
  }
  const std::size_t firstDigit = p;
  long long v = 0;
  while (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') {
    if (v <= INT_MAX) v = v * 10 + (text_[p] - '0');
    ++p;
  }
  if (p == firstDigit) return false;
  if (negative) v = -v;
  value = static_cast<int>(v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v);
  pos_ = p;
  return true;
}

ReadStatus readFile(const std::string& path, std::string& text) {
  text.clear();
  const FileOps& os = fileOps();
  ReadStatus st;
  auto fail = [&](std::string why) {
    st.ok = false;
    st.why = std::move(why);
    text.clear();
    return st;
  };
  // O_NONBLOCK: a FIFO without a writer must not hold the program in open().
  const int fd = os.open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
  if (fd < 0) {
    const int e = errno;
    st.missing = e == ENOENT;
    return fail(reason(e));
  }
  struct stat info {};
  if (os.fstat(fd, &info) != 0) {
    const int e = errno;
    os.close(fd);
    return fail(reason(e));
  }
  if (!S_ISREG(info.st_mode)) {
    os.close(fd);
    return fail(S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file");
  }
  // The size a file claims is not trusted (files of /proc claim 0): read up
  // to one byte past the bound.
  char buf[16384];
  for (;;) {
    const ssize_t n = os.read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      os.close(fd);
      return fail(reason(e));
    }
    if (n == 0) break;
    text.append(buf, static_cast<std::size_t>(n));
    if (text.size() > kMaxFileBytes) {
      os.close(fd);
      return fail("it is larger than " + std::to_string(kMaxFileBytes) + " bytes");
    }
  }
  os.close(fd);
  return st;
}

}  // namespace qx

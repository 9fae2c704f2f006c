// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A cursor over a file's text as the C runtime's text mode shows it to a
// reader: CR LF pairs read as one line feed.

#include <cstddef>
#include <string>
#include <string_view>

namespace qx {

class TextReader {
 public:
  static constexpr int kEof = -1;

  explicit TextReader(std::string_view bytes);

  // The next character, or kEof.
  int get();
  bool atEnd() const { return pos_ >= text_.size(); }
  // Like fscanf "%d": skips white space, reads an optional sign and digits.
  // On failure nothing is read past the white space and the value is untouched.
  // Values beyond int saturate.
  bool scanInt(int& value);
  // The white space that "\n" in a scanf format skips.
  void skipSpace();

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

// No file the program writes or ships comes near this (the largest, a
// candidate file, is about 7 KB); anything bigger is not one of them.
inline constexpr std::size_t kMaxFileBytes = 1 << 20;

// The outcome of reading one file.
struct ReadStatus {
  bool ok = true;
  bool missing = false;  // there is no such file (the first start, say)
  std::string why;       // for the user, when not ok
  explicit operator bool() const { return ok; }
};

// The whole content of a regular file of at most kMaxFileBytes. Never blocks
// (FIFOs, devices and folders are refused, not opened for reading) and never
// throws: every failure comes back as a "cannot read" status saying why.
ReadStatus readFile(const std::string& path, std::string& text);

}  // namespace qx

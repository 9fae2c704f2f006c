#pragma once
// A cursor over a file's text as the C runtime's text mode shows it to a
// reader: CR LF pairs read as one line feed.

#include <optional>
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

// The whole content of a file, or nothing when it cannot be opened.
std::optional<std::string> readFile(const std::string& path);

}  // namespace qx

#include "files/text_reader.h"

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>

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

std::optional<std::string> readFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return data;
}

}  // namespace qx

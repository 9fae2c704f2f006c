// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/puzzle_file.h"

namespace qx {

void readGridBlock(TextReader& in, Grid& g) {
  int n = 0, line = 1, row = 1, col = 0;
  for (int ch = in.get(); ch != TextReader::kEof; ch = in.get()) {
    ++n;
    if (n % 4 != 0) ++col;
    if (n % 28 == 0) {
      ++line;
      col = 0;
      if (line % 4 != 0) ++row;
    }
    if (row > kField) return;
    if (n % 4 != 0 && line % 4 != 0) g[row][col] = static_cast<char>(ch);
  }
}

std::string gridBlock(const Grid& g) {
  std::string out;
  out.reserve(27 * 28);
  int row = 1;
  for (int line = 1; line <= 27; ++line) {
    if (line % 4 == 0) {
      out.append(27, ' ');
    } else {
      int col = 1;
      for (int p = 1; p <= 27; ++p) out.push_back(p % 4 == 0 ? ' ' : g[row][col++]);
      ++row;
    }
    out.push_back('\n');
  }
  return out;
}

int encodeClueLine(int v) { return (v + 10) % 21 + 1; }

char encodeClueDigit(char ce) { return static_cast<char>((ce - 44) % 9 + '1'); }

namespace {

int decodeClueLine(int v) { return (v >= 12 ? v - 12 : v + 9) % 21 + 1; }

int decodeClueDigit(int c) { return c >= '6' ? c - 5 : c + 4; }

}  // namespace

void lectureText(std::string_view text, Grid& tab1, Clue& clue) {
  TextReader in(text);
  if (in.scanInt(clue.ne)) in.skipSpace();
  if (clue.ne == 1) {
    int row = 0, col = 0;
    bool ok = in.scanInt(row);
    if (ok) in.skipSpace();
    ok = ok && in.scanInt(col);
    if (ok) in.skipSpace();
    const int stored = ok ? in.get() : TextReader::kEof;
    if (stored != TextReader::kEof) in.skipSpace();
    const int ie = decodeClueLine(row), je = decodeClueLine(col);
    const int ce = decodeClueDigit(stored);
    if (ok && stored != TextReader::kEof && ie >= 1 && ie <= kField && je >= 1 &&
        je <= kField && ce >= '1' && ce <= '9') {
      clue.ie = ie;
      clue.je = je;
      clue.ce = static_cast<char>(ce);
    } else {
      clue.ne = 0;
    }
  }
  readGridBlock(in, tab1);
}

ReadStatus lecture(const std::string& path, Grid& tab1, Clue& clue) {
  std::string text;
  const ReadStatus st = readFile(path, text);
  if (st) lectureText(text, tab1, clue);
  return st;
}

std::string puzzleText(const Grid& tab1, const Clue& clue) {
  std::string out = std::to_string(clue.ne) + "\n";
  if (clue.ne == 1) {
    out += std::to_string(encodeClueLine(clue.ie)) + "\n";
    out += std::to_string(encodeClueLine(clue.je)) + "\n";
    out.push_back(encodeClueDigit(clue.ce));
    out.push_back('\n');
  }
  return out + gridBlock(tab1);
}

namespace {

std::string_view leafOf(std::string_view path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

int variantFromName(std::string_view path, int current) {
  const std::string_view name = leafOf(path);
  if (name.starts_with("quincunx")) return 0;
  if (name.starts_with("sudoku")) return 1;
  return current;
}

int shippedVariant(std::string_view path, int current) {
  const std::string_view name = leafOf(path);
  if (name == kDefaultQuincunx) return 0;
  if (name == kDefaultSudoku) return 1;
  return variantFromName(name, current);
}

}  // namespace qx

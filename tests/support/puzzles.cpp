// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/puzzles.h"

#include "engine/exact.h"
#include "files/puzzle_file.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>

namespace qx::test {

std::string dataPath(const std::string& file) { return std::string(QX_TEST_DATA) + "/" + file; }

namespace {

std::vector<std::string> readLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

// Units of the sub-grids 1..sud as lists of cells; each cell's units.
struct Rules {
  std::vector<std::array<std::pair<int, int>, 9>> units;
  std::vector<std::pair<int, int>> cells;
  std::array<std::array<std::vector<int>, kSize>, kSize> unitsOf;

  explicit Rules(int sud) {
    bool seen[kSize][kSize] = {};
    for (int g = 1; g <= sud; ++g) {
      const auto [r0, c0] = kGrid[g];
      for (int k = 0; k < 9; ++k) {
        std::array<std::pair<int, int>, 9> line, column, domain;
        for (int x = 0; x < 9; ++x) {
          line[x] = {r0 + k + 1, c0 + x + 1};
          column[x] = {r0 + x + 1, c0 + k + 1};
          domain[x] = {r0 + 3 * (k / 3) + x / 3 + 1, c0 + 3 * (k % 3) + x % 3 + 1};
        }
        units.push_back(line);
        units.push_back(column);
        units.push_back(domain);
      }
      for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 9; ++j)
          if (!seen[r0 + i][c0 + j]) {
            seen[r0 + i][c0 + j] = true;
            cells.push_back({r0 + i, c0 + j});
          }
    }
    for (int u = 0; u < static_cast<int>(units.size()); ++u)
      for (auto [r, c] : units[u]) unitsOf[r][c].push_back(u);
  }
};

// Such a rectangle inside rows r1..r2 of the grid at column offset c0.
std::optional<Rectangle> rectangle(const Grid& g, int r1, int r2, int c0) {
  for (int a = r1; a <= r2; ++a)
    for (int b = a + 1; b <= r2 && (b - 1) / 3 == (a - 1) / 3; ++b)
      for (int x = c0 + 1; x <= c0 + 9; ++x)
        for (int y = x + 1; y <= c0 + 9; ++y)
          if (g[a][x] == g[b][y] && g[a][y] == g[b][x] && (x - 1) / 3 != (y - 1) / 3)
            return Rectangle{{{a, x}, {a, y}, {b, x}, {b, y}}};
  return std::nullopt;
}

}  // namespace

Rectangles withRectangles() {
  ExactSolver solver(5);
  std::mt19937 rng(1);
  for (;;) {
    const Grid full = solver.randomFull(rng);
    const auto top = rectangle(full, 1, 6, 0), bottom = rectangle(full, 16, 21, 12),
               left = rectangle(full, 16, 21, 0);
    if (top && bottom && left) return {full, *top, *bottom, *left};
  }
}

std::vector<SetPuzzle> loadSet(const std::string& name) {
  const auto puzzles = readLines(dataPath(name + ".txt"));
  const auto solutions = readLines(dataPath(name + ".solutions.txt"));
  if (puzzles.size() != solutions.size()) throw std::runtime_error("set mismatch: " + name);
  std::vector<SetPuzzle> set;
  for (std::size_t i = 0; i < puzzles.size(); ++i) set.push_back({puzzles[i], solutions[i]});
  return set;
}

std::vector<ShippedPuzzle> shippedPuzzles() {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(QX_SHIPPED_DATA))
    if (entry.path().extension() == ".jeu") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<ShippedPuzzle> set;
  for (const auto& f : files) {
    const int su = shippedVariant(f.string(), -1);
    if (su < 0) continue;
    ShippedPuzzle p{f.filename().string(), Board{}};
    p.board.setVariant(su);
    Clue clue;
    if (!lecture(f.string(), p.board.tab1, clue)) continue;
    placeClue(p.board, clue);
    set.push_back(p);
  }
  return set;
}

Board sudokuBoard(const std::string& puzzle) {
  Board b;
  b.setVariant(1);
  for (int k = 0; k < 81 && k < static_cast<int>(puzzle.size()); ++k)
    b.tab1[k / 9 + 1][k % 9 + 1] = isDigit(puzzle[k]) ? puzzle[k] : '0';
  return b;
}

char valueAt(const Board& b, int r, int c) {
  if (isDigit(b.tab1[r][c])) return b.tab1[r][c];
  if (isDigit(b.tab2[r][c])) return b.tab2[r][c];
  return '0';
}

std::string grid1(const Board& b) {
  std::string s;
  for (int r = 1; r <= 9; ++r)
    for (int c = 1; c <= 9; ++c) {
      const char v = valueAt(b, r, c);
      s.push_back(v == '0' ? '.' : v);
    }
  return s;
}

Grid fullQuincunx(std::uint32_t seed) {
  std::array<char, 9> label = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  std::mt19937 rng(seed);
  std::shuffle(label.begin(), label.end(), rng);
  Grid g;
  for (auto& row : g) row.fill('0');
  // A pattern valid on every 9x9 window whose offsets are multiples of 3 in
  // rows and columns, so all five sub-grids hold a Sudoku.
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (!isGapCell(r, c)) {
        const int R = r - 1, C = c - 1;
        g[r][c] = label[(3 * (R % 3) + R / 3 + C) % 9];
      }
  return g;
}

bool isSolved(const Board& b) {
  const Rules rules(b.sud);
  for (const auto& unit : rules.units) {
    unsigned seen = 0;
    for (auto [r, c] : unit) {
      const char v = valueAt(b, r, c);
      if (v == '0') return false;
      const unsigned bit = 1u << (v - '0');
      if (seen & bit) return false;
      seen |= bit;
    }
  }
  return true;
}

int countSolutions(const Grid& givens, int sud, int limit) {
  const Rules rules(sud);
  std::vector<unsigned> used(rules.units.size(), 0);
  int value[kSize][kSize] = {};
  std::vector<std::pair<int, int>> open;
  for (auto [r, c] : rules.cells) {
    if (!isDigit(givens[r][c])) {
      open.push_back({r, c});
      continue;
    }
    const unsigned bit = 1u << (givens[r][c] - '0');
    for (int u : rules.unitsOf[r][c]) {
      if (used[u] & bit) return 0;
      used[u] |= bit;
    }
    value[r][c] = givens[r][c] - '0';
  }
  int found = 0;
  auto allowed = [&](int r, int c) {
    unsigned taken = 0;
    for (int u : rules.unitsOf[r][c]) taken |= used[u];
    return ~taken & 0x3FEu;
  };
  // Depth-first, always on the open cell with the fewest choices.
  auto search = [&](auto&& self, int left) -> void {
    if (found >= limit) return;
    if (left == 0) {
      ++found;
      return;
    }
    int best = -1, bestCount = 10;
    unsigned bestMask = 0;
    for (int i = 0; i < static_cast<int>(open.size()); ++i) {
      auto [r, c] = open[i];
      if (value[r][c]) continue;
      const unsigned m = allowed(r, c);
      const int n = __builtin_popcount(m);
      if (n < bestCount) {
        best = i;
        bestCount = n;
        bestMask = m;
        if (n <= 1) break;
      }
    }
    if (bestCount == 0) return;
    auto [r, c] = open[best];
    for (int d = 1; d <= 9; ++d) {
      if (!(bestMask & (1u << d))) continue;
      value[r][c] = d;
      for (int u : rules.unitsOf[r][c]) used[u] |= 1u << d;
      self(self, left - 1);
      for (int u : rules.unitsOf[r][c]) used[u] &= ~(1u << d);
      value[r][c] = 0;
      if (found >= limit) return;
    }
  };
  search(search, static_cast<int>(open.size()));
  return found;
}

}  // namespace qx::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test helpers: the public puzzle sets, boards built from them, and checkers
// that know the rules independently of the engine.

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/board.h"

namespace qx::test {

struct SetPuzzle {
  std::string puzzle;    // 81 characters, '.' for empty
  std::string solution;  // 81 digits
};

// Every puzzle shipped under data/, sorted by path, its variant set and its
// hidden clue placed into tab2.
struct ShippedPuzzle {
  std::string name;  // the file's name
  Board board;
};
std::vector<ShippedPuzzle> shippedPuzzles();

// tests/data/<name>.txt with its .solutions.txt.
std::vector<SetPuzzle> loadSet(const std::string& name);
std::string dataPath(const std::string& file);

// A cleared Sudoku board with these 81 givens in grid 1.
Board sudokuBoard(const std::string& puzzle);
// The 81 cells of grid 1 as tab1's digit, else tab2's, else '.'.
std::string grid1(const Board& b);

// A complete, valid Quincunx on the whole field (gap cells '0'); the digits
// are relabelled by the seed.
Grid fullQuincunx(std::uint32_t seed);

// A field of '0's: no given anywhere.
inline Grid zeros() {
  Grid g;
  for (auto& row : g) row.fill('0');
  return g;
}

// A clue's four values, to compare in one step.
inline std::tuple<int, int, int, char> fields(const Clue& c) { return {c.ne, c.ie, c.je, c.ce}; }

// The value standing in a cell: tab1's digit, else tab2's, else '0'.
char valueAt(const Board& b, int r, int c);
// Every line, column and domain of sub-grids 1..sud holds 1..9 exactly once.
bool isSolved(const Board& b);

// Four cells of two rows of one band and two columns of different stacks
// holding a b / b a: swapping them keeps every unit whole.
using Rectangle = std::array<std::pair<int, int>, 4>;
// A random full Quincunx with such a rectangle in the rows of grid 1 and of
// grid 5 that no other grid crosses, and one in grid 4.
struct Rectangles {
  Grid full;
  Rectangle top, bottom, left;
};
Rectangles withRectangles();

// Solutions of the givens in sub-grids 1..sud under the rules of the five grids,
// counted up to limit by plain backtracking.
int countSolutions(const Grid& givens, int sud, int limit);

}  // namespace qx::test

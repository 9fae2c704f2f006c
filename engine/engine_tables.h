// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Geometry of the five grids as tables, and small helpers on 9-bit candidate
// masks, shared by the pieces of the fast engine.

#include <bit>
#include <cstdint>

#include "engine/board.h"

namespace qx::fast {

inline constexpr int kCells = kSize * kSize;  // cell (r, c) is r * 22 + c
inline constexpr int kUnits = 5 * 27;         // lines, columns, domains of each grid
using Mask = std::uint16_t;                   // bit d - 1 for digit d
inline constexpr Mask kAll = 0x1ff;

// Units of one grid: lines 0..8, columns 9..17, domains 18..26 (band * 3 + stack);
// unit u of grid g is number (g - 1) * 27 + u. Cells of a grid are numbered
// l = 9 * (i - 1) + (j - 1) in reading order.
constexpr int lineOf(int l) { return l / 9; }
constexpr int columnOf(int l) { return 9 + l % 9; }
constexpr int domainOf(int l) { return 18 + l / 27 * 3 + l % 9 / 3; }

struct Tables {
  std::uint16_t unitCells[kUnits][9] = {};  // in reading order
  std::uint16_t gridCells[6][81] = {};
  std::uint8_t cellUnitCount[kCells] = {};
  std::uint8_t cellUnits[kCells][6] = {};
  std::uint8_t cellUnitPos[kCells][6] = {};  // where the cell stands in each of them
  std::uint8_t inGrid[kCells] = {};      // bit g for each grid holding the cell
  std::uint16_t peers[6][81][20] = {};  // line, column and domain of a cell in one grid, itself excepted
  std::uint8_t pairIndex[9][9] = {};    // unordered pair of digits -> 0..35
  std::uint8_t alignGrid[6] = {};       // alignment numbering -> grid number
  // The grids holding a cell (one or two), and its three units in each, as
  // bits 0..26 of that grid's units.
  std::uint8_t cellGridCount[kCells] = {};
  std::uint8_t cellGrid[kCells][2] = {};
  std::uint32_t cellGridUnits[kCells][2] = {};
  std::uint8_t cellGridPlace[kCells][2] = {};  // the cell's number l in that grid
  // Where a cell stands in its domain segments: 3 * row + column within its domain.
  std::uint8_t segStep[kCells] = {};
};

constexpr Tables makeTables() {
  Tables t;
  for (int g = 1; g <= 5; ++g) {
    const int r0 = kGrid[g].r0, c0 = kGrid[g].c0, ub = (g - 1) * 27;
    for (int l = 0; l < 81; ++l) {
      const int i = l / 9, j = l % 9;
      const int x = (r0 + 1 + i) * kSize + c0 + 1 + j;
      t.gridCells[g][l] = static_cast<std::uint16_t>(x);
      t.unitCells[ub + lineOf(l)][j] = static_cast<std::uint16_t>(x);
      t.unitCells[ub + columnOf(l)][i] = static_cast<std::uint16_t>(x);
      t.unitCells[ub + domainOf(l)][i % 3 * 3 + j % 3] = static_cast<std::uint16_t>(x);
      for (int u : {lineOf(l), columnOf(l), domainOf(l)}) {
        t.cellUnitPos[x][t.cellUnitCount[x]] =
            static_cast<std::uint8_t>(u < 9 ? j : u < 18 ? i : i % 3 * 3 + j % 3);
        t.cellUnits[x][t.cellUnitCount[x]++] = static_cast<std::uint8_t>(ub + u);
      }
      t.inGrid[x] = static_cast<std::uint8_t>(t.inGrid[x] | 1 << g);
      const int k = t.cellGridCount[x]++;
      t.cellGrid[x][k] = static_cast<std::uint8_t>(g);
      t.cellGridUnits[x][k] = 1u << lineOf(l) | 1u << columnOf(l) | 1u << domainOf(l);
      t.cellGridPlace[x][k] = static_cast<std::uint8_t>(l);
      t.segStep[x] = static_cast<std::uint8_t>(i % 3 * 3 + j % 3);
    }
    for (int l = 0; l < 81; ++l) {
      int n = 0;
      for (int o = 0; o < 81; ++o)
        if (o != l && (o / 9 == l / 9 || o % 9 == l % 9 || domainOf(o) == domainOf(l)))
          t.peers[g][l][n++] = t.gridCells[g][o];
    }
  }
  int n = 0;
  for (int a = 0; a < 9; ++a)
    for (int b = a + 1; b < 9; ++b) {
      t.pairIndex[a][b] = t.pairIndex[b][a] = static_cast<std::uint8_t>(n);
      ++n;
    }
  for (int a = 1; a <= 5; ++a)
    for (int g = 1; g <= 5; ++g)
      if (kGrid[g].r0 == kGridAlign[a].r0 && kGrid[g].c0 == kGridAlign[a].c0)
        t.alignGrid[a] = static_cast<std::uint8_t>(g);
  return t;
}

inline constexpr Tables kT = makeTables();

// Number of candidates of every mask: the build targets plain x86-64, where
// std::popcount is a library call.
struct PopTable {
  std::uint8_t n[512] = {};
};
constexpr PopTable makePop() {
  PopTable t;
  for (int m = 1; m < 512; ++m) t.n[m] = static_cast<std::uint8_t>(t.n[m >> 1] + (m & 1));
  return t;
}
inline constexpr PopTable kPop = makePop();
constexpr int pop(Mask m) { return kPop.n[m & 0x1ff]; }

// How many cells of a unit hold each digit, as four bit planes of nine bits
// at bits 0, 16, 32 and 48: a mask of digits is added or taken away at once.
using Count = std::uint64_t;
constexpr Mask plane(Count c, int p) { return static_cast<Mask>(c >> 16 * p & kAll); }
// One more (one fewer) cell holding the digits of m: the carry (borrow)
// runs up the planes.
constexpr Count countAdd(Count c, Mask m) {
  for (Count b = m; b; b <<= 16) {
    const Count carry = b & c;
    c ^= b;
    b = carry;
  }
  return c;
}
constexpr Count countTake(Count c, Mask m) {
  for (Count b = m; b; b <<= 16) {
    const Count borrow = b & ~c;
    c ^= b;
    b = borrow;
  }
  return c;
}
// Digits counted exactly once, exactly twice, three times or more.
constexpr Mask countOnce(Count c) { return plane(c, 0) & ~(plane(c, 1) | plane(c, 2) | plane(c, 3)); }
constexpr Mask countTwice(Count c) { return plane(c, 1) & ~(plane(c, 0) | plane(c, 2) | plane(c, 3)); }
constexpr Mask countMore(Count c) {
  return plane(c, 2) | plane(c, 3) | (plane(c, 0) & plane(c, 1));
}

constexpr Mask digitBit(char ch) { return isDigit(ch) ? static_cast<Mask>(1u << (ch - '1')) : 0; }
constexpr bool single(Mask m) { return m != 0 && (m & (m - 1)) == 0; }
constexpr char digitOf(Mask bit) { return static_cast<char>('1' + std::countr_zero(bit)); }

}  // namespace qx::fast

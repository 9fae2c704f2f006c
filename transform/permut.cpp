// SPDX-License-Identifier: GPL-3.0-or-later
#include "transform/permut.h"

#include <utility>

namespace qx {

namespace {

// Exchanges rows x1 and x2 (columns when !rows) over the cells from..to of
// the other direction, in tab1 and tab6 alike. The clue moves with its cell,
// once at most.
void swapLines(Board& bd, Clue& clue, bool rows, int x1, int x2, int from, int to) {
  for (Grid* g : {&bd.tab1, &bd.tab6})
    for (int y = from; y <= to; ++y) {
      if (rows) std::swap((*g)[x1][y], (*g)[x2][y]);
      else std::swap((*g)[y][x1], (*g)[y][x2]);
    }
  if (clue.ne != 1) return;
  int& along = rows ? clue.ie : clue.je;
  const int across = rows ? clue.je : clue.ie;
  if (across < from || across > to) return;
  if (along == x1) along = x2;
  else if (along == x2) along = x1;
}

// The corner grids' rows or columns 1..9 and 13..21 trade places; 10..12 stay.
int mirrored(int x) { return x <= 9 || x >= 13 ? 22 - x : x; }

// Left and right (or top and bottom) of the whole field change places.
void miroir(Board& bd, Clue& clue, bool rows) {
  bd.tabp = bd.tab1;
  bd.tabq = bd.tab6;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      const int sr = rows ? mirrored(r) : r, sc = rows ? c : mirrored(c);
      bd.tab1[r][c] = bd.tabp[sr][sc];
      bd.tab6[r][c] = bd.tabq[sr][sc];
    }
  if (clue.ne != 1) return;
  int& along = rows ? clue.ie : clue.je;
  if (along >= 1 && along <= kField) along = mirrored(along);
}

}  // namespace

void permusl(Board& bd, Clue& clue, int a, int b, int co, int ro) {
  for (int k = 1; k <= 3; ++k) swapLines(bd, clue, true, ro + 3 * a + k, ro + 3 * b + k, co + 1, co + 9);
}

void permusc(Board& bd, Clue& clue, int a, int b, int co, int ro) {
  for (int k = 1; k <= 3; ++k) swapLines(bd, clue, false, co + 3 * a + k, co + 3 * b + k, ro + 1, ro + 9);
}

int Permuter::tirage() {
  std::uint32_t d;
  do {
    alea = alea * konsta + konstb;  // wraps modulo 2^32
    d = alea / 429496730u;
  } while (d == 0);
  return static_cast<int>(d);
}

void Permuter::twoLines(int b, int& l1, int& l2) {
  // Draws 1..3, 4..6 and 7..9 pick the first, second and third line of the band.
  auto line = [b](int d) { return (9 * b + d - 7) / 3; };
  l1 = line(tirage());
  do l2 = line(tirage());
  while (l2 == l1);
}

void Permuter::twoBands(int& b1, int& b2) {
  auto band = [](int d) { return (d + 2) / 3 - 1; };
  b1 = band(tirage());
  do b2 = band(tirage());
  while (b2 == b1);
}

void Permuter::permutl(Board& bd, Clue& clue, int b, int co, int ro, int n) {
  int l1, l2;
  twoLines(b, l1, l2);
  swapLines(bd, clue, true, ro + l1, ro + l2, co + 1, co + n);
}

void Permuter::permutc(Board& bd, Clue& clue, int b, int co, int ro, int n) {
  int l1, l2;
  twoLines(b, l1, l2);
  swapLines(bd, clue, false, co + l1, co + l2, ro + 1, ro + n);
}

void Permuter::permusls(Board& bd, Clue& clue) {
  int b1, b2;
  twoBands(b1, b2);
  permusl(bd, clue, b1, b2, 0, 0);
}

void Permuter::permuscs(Board& bd, Clue& clue) {
  int b1, b2;
  twoBands(b1, b2);
  permusc(bd, clue, b1, b2, 0, 0);
}

void Permuter::relabel(Board& bd, Clue& clue) {
  for (char& v : n19) v = '0';
  for (int k = 1; k <= 9; ++k) {
    int d;
    do d = tirage();
    while (n19[d] != '0');
    n19[d] = static_cast<char>('0' + k);
  }
  for (Grid* g : {&bd.tab1, &bd.tab6})
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (isDigit((*g)[r][c])) (*g)[r][c] = n19[(*g)[r][c] - '0'];
  // A clue that is not a digit has no label to take; it keeps its character.
  if (clue.ne == 1 && isDigit(clue.ce)) clue.ce = n19[clue.ce - '0'];
}

namespace {

// Band and stack exchanges of the corner grids, {a, b, co, ro} each: never
// the bands and stacks a corner shares with the centre grid.
struct Exchange {
  bool rows;
  int a, b, co, ro;
};
constexpr Exchange kExchanges[8] = {
    {true, 0, 1, 0, 0},   {true, 0, 1, 12, 0},  {true, 1, 2, 0, 12},  {true, 1, 2, 12, 12},
    {false, 0, 1, 0, 0},  {false, 0, 1, 0, 12}, {false, 1, 2, 12, 0}, {false, 1, 2, 12, 12},
};

// Line swaps {b, co, ro, n}. A band crossing three grids (7..9, 13..15) is
// swapped over the whole field so that the grids sharing it stay in step.
struct Swap {
  int b, co, ro, n;
};
constexpr Swap kRowSwaps[11] = {
    {1, 0, 0, 9},   {2, 0, 0, 9},   {1, 12, 0, 9},  {2, 12, 0, 9},  {3, 0, 0, 21},  {2, 6, 6, 9},
    {1, 0, 12, 21}, {2, 0, 12, 9},  {3, 0, 12, 9},  {2, 12, 12, 9}, {3, 12, 12, 9},
};
constexpr Swap kColumnSwaps[11] = {
    {1, 0, 0, 9},   {2, 0, 0, 9},   {2, 12, 0, 9},  {3, 12, 0, 9},  {3, 0, 0, 21},  {2, 6, 6, 9},
    {1, 12, 0, 21}, {1, 0, 12, 9},  {2, 0, 12, 9},  {2, 12, 12, 9}, {3, 12, 12, 9},
};

}  // namespace

void Permuter::permut(Board& bd, Clue& clue) {
  if (bd.su == 0) {
    if (evenDraw()) miroir(bd, clue, false);
    if (evenDraw()) miroir(bd, clue, true);
    for (const Exchange& x : kExchanges) {
      if (!evenDraw()) continue;
      if (x.rows) permusl(bd, clue, x.a, x.b, x.co, x.ro);
      else permusc(bd, clue, x.a, x.b, x.co, x.ro);
    }
    for (const Swap& s : kRowSwaps) {
      permutl(bd, clue, s.b, s.co, s.ro, s.n);
      if (evenDraw()) permutl(bd, clue, s.b, s.co, s.ro, s.n);
    }
    for (const Swap& s : kColumnSwaps) {
      permutc(bd, clue, s.b, s.co, s.ro, s.n);
      if (evenDraw()) permutc(bd, clue, s.b, s.co, s.ro, s.n);
    }
  } else {
    for (int b = 1; b <= 3; ++b) {
      permutl(bd, clue, b, 0, 0, 9);
      if (evenDraw()) permutl(bd, clue, b, 0, 0, 9);
    }
    permusls(bd, clue);
    if (evenDraw()) permusls(bd, clue);
    for (int b = 1; b <= 3; ++b) {
      permutc(bd, clue, b, 0, 0, 9);
      if (evenDraw()) permutc(bd, clue, b, 0, 0, 9);
    }
    permuscs(bd, clue);
    if (evenDraw()) permuscs(bd, clue);
  }
  relabel(bd, clue);
}

}  // namespace qx

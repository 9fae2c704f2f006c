// SPDX-License-Identifier: GPL-3.0-or-later
// The complete solver's own search for a classic Sudoku: per digit, the 81
// cells as one 128-bit board, with singles and triads as a few masks.
#include "engine/exact.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qx {

namespace {

// A Sudoku's 81 cells row by row as bits of one 128-bit word: rows 1 to 6
// in the low half, rows 7 to 9 from bit 64, so that no row or box straddles
// the halves and the search for hidden singles looks at one 64-bit word.
using B81 = unsigned __int128;
constexpr B81 kOne = 1;
constexpr int kBits81 = 91;
constexpr B81 kFull81 = (((kOne << 27) - 1) << 64) | ((kOne << 54) - 1);
constexpr std::uint64_t kColumnLow = 0x201008040201u;  // bit 9k, k = 0..5
constexpr std::uint64_t kColumnHigh = 0x40201u;        // bit 9k, k = 0..2

int lowest(B81 m) {
  const auto lo = static_cast<std::uint64_t>(m);
  return lo ? std::countr_zero(lo) : 64 + std::countr_zero(static_cast<std::uint64_t>(m >> 64));
}

// Units 0..8 rows, 9..17 columns, 18..26 boxes; tables by bit position.
struct Tables81 {
  std::array<B81, 27> unit{};
  std::array<B81, kBits81> peers{};
  std::array<std::int8_t, 81> bit{};             // bit position of a cell
  std::array<std::int8_t, kBits81> cell{};       // and back
  // A row or box: its cells are mask << shift of half word.
  struct Slice {
    int word, shift;
    std::uint64_t mask;
  };
  std::array<Slice, 27> slice{};
  Tables81() {
    for (int x = 0; x < 81; ++x) {
      bit[x] = static_cast<std::int8_t>(x < 54 ? x : x + 10);
      cell[bit[x]] = static_cast<std::int8_t>(x);
    }
    for (int x = 0; x < 81; ++x) {
      const int r = x / 9, c = x % 9, b = 3 * (r / 3) + c / 3;
      for (const int u : {r, 9 + c, 18 + b}) unit[u] |= kOne << bit[x];
    }
    for (int x = 0; x < 81; ++x) {
      const int r = x / 9, c = x % 9, b = 3 * (r / 3) + c / 3;
      peers[bit[x]] = (unit[r] | unit[9 + c] | unit[18 + b]) & ~(kOne << bit[x]);
    }
    for (int k = 0; k < 9; ++k) {
      slice[k] = {k / 6, 9 * (k % 6), 0x1FF};
      const int band = k / 3;
      slice[18 + k] = {band / 2, 27 * (band % 2) + 3 * (k % 3), 0x1C0E07};
    }
  }
};
const Tables81 kT81;

// A digit's cells that are its only place in a row, column or box, from
// its board as two half words; false when some unit has no place for it.
// All units at once: counts saturating at two, as pairs of bit planes
// (once, twice), kept in parallel fields of one word.
bool loneCells(std::uint64_t lo, std::uint64_t hi, std::uint64_t lone[2]) {
  // Rows: nine-bit fields, six in the low half, three in the high one.
  auto rows = [](std::uint64_t w, std::uint64_t ones, std::uint64_t& out) {
    const std::uint64_t low8 = ones * 0xFF, top = ones << 8;
    auto nonzero = [&](std::uint64_t v) { return (((v & low8) + low8) | v) & top; };
    if (nonzero(w) != top) return false;
    // No field is empty, so taking one off each borrows inside it.
    const std::uint64_t one = top & ~nonzero(w & (w - ones));
    out = w & ((one << 1) - (one >> 8));
    return true;
  };
  std::uint64_t rowLo, rowHi;
  if (!rows(lo, kColumnLow, rowLo) || !rows(hi, kColumnHigh, rowHi)) return false;

  // Columns: rows paired in the low half, then the rest added one by one.
  constexpr std::uint64_t kEven = 0x1FFu | 0x1FFull << 18 | 0x1FFull << 36;
  const std::uint64_t a = lo & kEven, b = lo >> 9 & kEven;
  const std::uint64_t o1 = a | b, t1 = a & b;
  std::uint64_t once = o1 & 0x1FF, twice = t1 & 0x1FF;
  for (int k = 1; k < 3; ++k) {
    const std::uint64_t o = o1 >> 18 * k & 0x1FF, t = t1 >> 18 * k & 0x1FF;
    twice |= t | (once & o);
    once |= o;
  }
  for (int k = 0; k < 3; ++k) {
    const std::uint64_t v = hi >> 9 * k & 0x1FF;
    twice |= once & v;
    once |= v;
  }
  if (once != 0x1FF) return false;
  const std::uint64_t column = once & ~twice;

  // Boxes: a band's three rows, then a box's three columns; both bands of
  // the low half side by side.
  // first: bit 3j of each band, the first column of its box j.
  auto boxes = [](std::uint64_t w, std::uint64_t rowMask, std::uint64_t first, std::uint64_t& out) {
    const std::uint64_t r0 = w & rowMask, r1 = w >> 9 & rowMask, r2 = w >> 18 & rowMask;
    const std::uint64_t o = r0 | r1 | r2, t = (r0 & r1) | (r0 & r2) | (r1 & r2);
    const std::uint64_t o0 = o & first, o1 = o >> 1 & first, o2 = o >> 2 & first;
    const std::uint64_t one = o0 | o1 | o2;
    const std::uint64_t two = (t & first) | (t >> 1 & first) | (t >> 2 & first) | (o0 & o1) | (o0 & o2) | (o1 & o2);
    if (one != first) return false;
    out = w & ((one & ~two) * 0x1C0E07);
    return true;
  };
  std::uint64_t boxLo, boxHi;
  if (!boxes(lo, 0x1FFu | 0x1FFull << 27, 0x49u | 0x49ull << 27, boxLo) || !boxes(hi, 0x1FF, 0x49, boxHi))
    return false;

  lone[0] = rowLo | (lo & column * kColumnLow) | boxLo;
  lone[1] = rowHi | (hi & column * kColumnHigh) | boxHi;
  return true;
}

// Triads: the three cells where a row or a column crosses a box. The nine
// triads of a band (rows by boxes) or of a stack (bands by columns) for one
// digit form a 3x3 of bits, bit 3 * line + box. Ideas from tdoku's triad
// solver (BSD-2-Clause, Tom Dillon): a triad holds exactly three digits, so
// a triad left with three digits holds each of them; and locked candidates
// read the same on both orientations.

// The row and column mates of the triads given: where a digit that must be
// in them cannot also be.
constexpr std::array<std::uint16_t, 512> kMates = [] {
  std::array<std::uint16_t, 512> t{};
  for (unsigned held = 0; held < 512; ++held)
    for (int m = 0; m < 9; ++m)
      if (held >> m & 1) {
        const int r = m / 3, j = m % 3;
        for (int k = 0; k < 3; ++k) {
          if (k != j) t[held] |= static_cast<std::uint16_t>(1u << (3 * r + k));
          if (k != r) t[held] |= static_cast<std::uint16_t>(1u << (3 * k + j));
        }
      }
  return t;
}();

// A digit takes one triad in each row and each column of the 3x3: the
// triads of no such choice within the ones held drop out (all of them when
// there is no choice left). This holds locked candidates, pointing and
// claiming, of both orientations.
constexpr std::array<std::uint16_t, 512> kChoiceDrop = [] {
  std::array<std::uint16_t, 512> t{};
  constexpr int kPerm[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (unsigned held = 0; held < 512; ++held) {
    unsigned keep = 0;
    for (const auto& perm : kPerm) {
      const unsigned m = 1u << perm[0] | 1u << (3 + perm[1]) | 1u << (6 + perm[2]);
      if ((held & m) == m) keep |= m;
    }
    t[held] = static_cast<std::uint16_t>(held & ~keep);
  }
  return t;
}();

// The choices of one triad per row and column within the ones held, as
// masks of their three triads; kChoiceCount of them.
struct Choices {
  std::array<std::array<std::uint16_t, 6>, 512> mask{};
  std::array<std::uint8_t, 512> count{};
};
constexpr Choices kChoices = [] {
  Choices t{};
  constexpr int kPerm[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (unsigned held = 0; held < 512; ++held)
    for (const auto& perm : kPerm) {
      const unsigned m = 1u << perm[0] | 1u << (3 + perm[1]) | 1u << (6 + perm[2]);
      if ((held & m) == m) t.mask[held][t.count[held]++] = static_cast<std::uint16_t>(m);
    }
  return t;
}();

// The cells of a band's triads, from their 3x3 bits.
constexpr std::array<std::uint32_t, 512> kTriadCells = [] {
  std::array<std::uint32_t, 512> t{};
  for (unsigned m = 0; m < 512; ++m)
    for (int k = 0; k < 9; ++k)
      if (m >> k & 1) t[m] |= 7u << (9 * (k / 3) + 3 * (k % 3));
  return t;
}();

// A band's triads as its 3x3 bits: bit 3r + j when row r holds the digit in box j.
std::uint32_t bandTriads(std::uint64_t band) {
  const std::uint64_t f = (band | band >> 1 | band >> 2) & 0x1249249u;
  const std::uint64_t g = f | f >> 2 | f >> 4;
  return static_cast<std::uint32_t>((g & 7) | (g >> 6 & 0x38) | (g >> 12 & 0x1C0));
}

// Column triads of all three bands, bit 9b + c: band b holds the digit in column c.
// The 3x3 of stack s (bit 3b + k for column 3s + k) and back.
unsigned stackOf(std::uint32_t v, int s) {
  const std::uint32_t x = v >> (3 * s) & 0x1C0E07u;
  return (x & 7) | (x >> 6 & 0x38) | (x >> 12 & 0x1C0);
}
std::uint32_t stackBack(unsigned m, int s) {
  return ((m & 7) | (m & 0x38) << 6 | (m & 0x1C0) << 12) << (3 * s);
}

// The cells of the triads m (3x3 bits) of band l (0..2) or stack l - 3.
B81 choiceCells(int l, unsigned m) {
  if (l < 3) return B81{kTriadCells[m]} << (l == 2 ? 64 : 27 * l);
  const std::uint32_t v = stackBack(m, l - 3);
  std::uint64_t band[3];
  for (int b = 0; b < 3; ++b) band[b] = (v >> (9 * b) & 0x1FFu) * 0x40201u;
  return (B81{band[2]} << 64) | band[0] | band[1] << 27;
}

}  // namespace

// Digit d in cell x: gone from the cell's other digits and from its peers.
// False when a peer already holds it.
bool ExactSolver::place81(Board81& p, int x, int d) {
  const B81 bit = kOne << x;
  if (!(p.cand[d] & bit)) return false;
  // The cell's other digits lost a place in its units; d lost places all
  // over its peers' units.
  unsigned held = 0;
  for (int e = 0; e < 9; ++e) {
    held |= static_cast<unsigned>((p.cand[e] & bit) != 0) << e;
    p.cand[e] &= ~bit;
  }
  p.dirty |= static_cast<std::uint16_t>(held | 1u << d);
  p.cand[d] = (p.cand[d] & ~kT81.peers[x]) | bit;
  p.open &= ~bit;
  return true;
}

// Naked singles, hidden ones when there are none, then (with triads) the
// triads' stage, until nothing changes; false on a contradiction. A search
// for a solution near a known one goes faster without triads: it mostly
// walks straight to it.
bool ExactSolver::propagate81(Board81& p, bool triads) {
  for (;;) {
    // Open cells with at least one candidate, and with two or more.
    B81 once = 0, twice = 0;
    for (const B81 c0 : p.cand) {
      const B81 c = c0 & p.open;
      twice |= once & c;
      once |= c;
    }
    if (p.open & ~once) return false;
    if (const B81 singles = once & ~twice) {
      // A naked single is no candidate of any other digit: only its own
      // digit's board changes. Two of them for one digit in one unit clear
      // each other.
      p.open &= ~singles;
      for (int d = 0; d < 9; ++d) {
        const B81 mine = singles & p.cand[d];
        if (!mine) continue;
        B81 c = p.cand[d];
        for (B81 m = mine; m; m &= m - 1) {
          const int x = lowest(m);
          c &= ~kT81.peers[x];
                }
        if ((c & mine) != mine) return false;
        p.cand[d] = c;
        p.dirty |= static_cast<std::uint16_t>(1u << d);
      }
      continue;
    }
    bool placed = false;
    for (int d = 0; d < 9; ++d) {
      if (!(p.dirty >> d & 1)) continue;
      p.dirty &= static_cast<std::uint16_t>(~(1u << d));
      std::uint64_t lone[2];
      if (!loneCells(static_cast<std::uint64_t>(p.cand[d]), static_cast<std::uint64_t>(p.cand[d] >> 64), lone))
        return false;
      const B81 fresh = ((B81{lone[1]} << 64) | lone[0]) & p.open;
      for (B81 m = fresh; m; m &= m - 1)
        if (!place81(p, lowest(m), d)) return false;
      placed = placed || fresh;
    }
    if (placed) continue;
    if (!p.open) return true;
    bool changed = false;
    if (!triads) return true;
    if (!triads81(p, changed)) return false;
    if (!changed) return true;
  }
}

// Triads of both orientations for every digit: locked candidates, and a
// triad left with exactly three digits holds each of them. False when some
// triad cannot get its three digits.
bool ExactSolver::triads81(Board81& p, bool& changed) {
  constexpr std::uint64_t kBand = (1u << 27) - 1;
  std::uint32_t cols[9];
  auto& held = held81_;
  std::uint32_t c1 = 0, c2 = 0, c3 = 0, c4 = 0;  // triads of rows: at least 1..4 digits
  std::uint32_t v1 = 0, v2 = 0, v3 = 0, v4 = 0;  // and of columns
  for (int d = 0; d < 9; ++d) {
    const auto lo = static_cast<std::uint64_t>(p.cand[d]), hi = static_cast<std::uint64_t>(p.cand[d] >> 64);
    const std::uint64_t w[3] = {lo & kBand, lo >> 27 & kBand, hi & kBand};
    std::uint32_t h = 0, v = 0;
    for (int b = 0; b < 3; ++b) {
      held[b][d] = static_cast<std::uint16_t>(bandTriads(w[b]));
      h |= static_cast<std::uint32_t>(held[b][d]) << (9 * b);
      v |= static_cast<std::uint32_t>((w[b] | w[b] >> 9 | w[b] >> 18) & 0x1FF) << (9 * b);
    }
    cols[d] = v;
    c4 |= c3 & h;
    c3 |= c2 & h;
    c2 |= c1 & h;
    c1 |= h;
    v4 |= v3 & v;
    v3 |= v2 & v;
    v2 |= v1 & v;
    v1 |= v;
  }
  if ((c3 & v3) != kBand) return false;
  const std::uint32_t rowThree = c3 & ~c4, colThree = v3 & ~v4;
  for (int d = 0; d < 9; ++d) {
    std::uint64_t drop[3];
    for (int b = 0; b < 3; ++b) {
      const unsigned h = held[b][d];
      drop[b] = kTriadCells[kChoiceDrop[h] | (h & kMates[h & rowThree >> (9 * b) & 0x1FF])];
    }
    const std::uint32_t v = cols[d];
    std::uint32_t vDrop = 0;
    for (int s = 0; s < 3; ++s) {
      const unsigned h = stackOf(v, s);
      held[3 + s][d] = static_cast<std::uint16_t>(h);
      vDrop |= stackBack(kChoiceDrop[h] | (h & kMates[h & stackOf(colThree, s)]), s);
    }
    for (int b = 0; b < 3; ++b) drop[b] |= (vDrop >> (9 * b) & 0x1FFu) * 0x40201u;
    const B81 gone = ((B81{drop[2]} << 64) | drop[0] | drop[1] << 27) & p.cand[d];
    if (gone) {
      p.cand[d] &= ~gone;
      p.dirty |= static_cast<std::uint16_t>(1u << d);
      changed = true;
    }
  }
  return true;
}

bool ExactSolver::load81(const char* cells) {
  if (stack81_.empty()) stack81_.resize(83);
  Board81& p = stack81_[0];
  // Each digit's givens and the cells they see, then every board at once.
  B81 given[9] = {}, seen[9] = {}, filled = 0;
  for (int x = 0; x < 81; ++x) {
    const char ch = cells[x];
    if (!isDigit(ch)) continue;
    const int at = kT81.bit[x];
    given[ch - '1'] |= kOne << at;
    seen[ch - '1'] |= kT81.peers[at];
    filled |= kOne << at;
  }
  for (int d = 0; d < 9; ++d) {
    if (given[d] & seen[d]) return false;  // the same digit twice in a unit
    p.cand[d] = (kFull81 & ~filled & ~seen[d]) | given[d];
  }
  p.open = kFull81 & ~filled;
  p.dirty = 0x1FF;
  return propagate81(p, !hasNear_);
}

int ExactSolver::solve81(int depth) {
  ++nodes_;
  const Board81& p = stack81_[depth];
  if (!p.open) {
    if (record_ && !found81_) {
      for (int d = 0; d < 9; ++d)
        for (B81 m = p.cand[d]; m; m &= m - 1) sol_[kT81.cell[lowest(m)]] = static_cast<std::uint8_t>(d + 1);
      found81_ = true;
    }
    return 1;
  }
  // A solution near a known one is found fastest through cells, near's digit first.
  if (!hasNear_) {
    // The band or stack with the fewest choices of triads over all digits,
    // and in it the digit with fewest: after tdoku's branching on band
    // configurations, which guesses far less than a cell with two digits.
    // The triads' stage, the last to look at the board, left its triads.
    int bestLine = -1, bestDigit = -1, bestSum = 1000, bestN = 10;
    const auto& held = held81_;
    for (int l = 0; l < 6; ++l) {
      int sum = 0, digit = -1, n = 10;
      for (int d = 0; d < 9; ++d) {
        const int k = kChoices.count[held[l][d]];
        sum += k;
        if (k >= 2 && k < n) {
          n = k;
          digit = d;
        }
      }
      if (digit >= 0 && sum < bestSum) {
        bestSum = sum;
        bestLine = l;
        bestDigit = digit;
        bestN = n;
      }
    }
    if (bestLine >= 0) {
      const int d = bestDigit;
      const unsigned h = held[bestLine][d];
      const B81 all = choiceCells(bestLine, 0x1FF);
      int total = 0;
      for (int i = 0; i < bestN; ++i) {
        if (i + 1 < bestN) ++guesses_;
        stack81_[depth + 1] = p;
        Board81& q = stack81_[depth + 1];
        q.cand[d] &= ~all | choiceCells(bestLine, kChoices.mask[h][i]);
        q.dirty |= static_cast<std::uint16_t>(1u << d);
        if (propagate81(q, true)) total += solve81(depth + 1);
        if (total >= limit_) break;
      }
      return std::min(total, limit_);
    }
  }
  // The first open cell with two candidates, else the first with fewest.
  B81 once = 0, twice = 0, thrice = 0;
  for (const B81 c0 : p.cand) {
    const B81 c = c0 & p.open;
    thrice |= twice & c;
    twice |= once & c;
    once |= c;
  }
  int best = -1;
  if (const B81 two = twice & ~thrice) {
    best = lowest(two);
  } else {
    int bestCount = 10;
    for (B81 m = p.open; m; m &= m - 1) {
      const int x = lowest(m);
      int n = 0;
      for (const B81 c : p.cand) n += static_cast<int>((c >> x) & 1);
      if (n < bestCount) {
        best = x;
        bestCount = n;
      }
    }
  }
  unsigned digits = 0;
  for (int d = 0; d < 9; ++d) digits |= static_cast<unsigned>((p.cand[d] >> best) & 1) << d;
  // near's digit first, then the rest in order.
  const unsigned first = near_[kT81.cell[best]] & digits;
  int total = 0;
  for (unsigned rest = digits & ~first, m = first ? first : rest; m;) {
    const int d = std::countr_zero(m);
    if (digits & ~(1u << d)) ++guesses_;
    digits &= ~(1u << d);
    stack81_[depth + 1] = p;
    Board81& q = stack81_[depth + 1];
    if (place81(q, best, d) && propagate81(q, !hasNear_)) total += solve81(depth + 1);
    if (total >= limit_) break;
    if (m == first) {
      m = rest;
    } else {
      m &= m - 1;
    }
  }
  return std::min(total, limit_);
}

// After load81: the solutions in which cell x does not hold digit d.
int ExactSolver::solveExcept81(int x, char d) {
  Board81& p = stack81_[0];
  if (isDigit(d)) {
    const int at = kT81.bit[x];
    const B81 bit = kOne << at;
    const int k = d - '1';
    if (!(p.open & bit)) {
      if (p.cand[k] & bit) return 0;
    } else {
      p.cand[k] &= ~bit;
      p.dirty |= static_cast<std::uint16_t>(1u << k);
      if (!propagate81(p, !hasNear_)) return 0;
    }
  }
  return solve81(0);
}

}  // namespace qx

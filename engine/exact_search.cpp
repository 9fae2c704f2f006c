// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/exact.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <utility>

namespace qx {

namespace {

using Mask = std::uint16_t;
constexpr Mask kAll = 0x1FF;
constexpr Mask kPlaced = 0x200;

bool single(Mask m) { return m != 0 && (m & (m - 1)) == 0; }

// Without a hardware popcount in the baseline instruction set, a table is
// the cheapest count of nine bits.
constexpr std::array<std::uint8_t, 512> kCount = [] {
  std::array<std::uint8_t, 512> t{};
  for (int m = 0; m < 512; ++m) t[m] = static_cast<std::uint8_t>(std::popcount(static_cast<unsigned>(m)));
  return t;
}();

// A draw in 0..n-1. Plain modulo so that a seed gives the same boards with
// every standard library.
int below(std::mt19937& rng, int n) { return static_cast<int>(rng() % static_cast<std::uint32_t>(n)); }

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

const ExactField& ExactField::of(int sud) {
  static const ExactField quincunx(5), sudoku(1);
  return sud == 5 ? quincunx : sudoku;
}

ExactField::ExactField(int sud) : sud_(sud) {
  for (auto& row : at_) row.fill(-1);
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j)
        if (at_[r0 + i][c0 + j] < 0) {
          at_[r0 + i][c0 + j] = cells();
          rc_.push_back({r0 + i, c0 + j});
        }
  }
  auto at = [&](int r, int c) { return static_cast<std::int16_t>(at_[r][c]); };
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int k = 0; k < 9; ++k) {
      std::array<std::int16_t, 9> line, column, domain;
      for (int x = 0; x < 9; ++x) {
        line[x] = at(r0 + k + 1, c0 + x + 1);
        column[x] = at(r0 + x + 1, c0 + k + 1);
        domain[x] = at(r0 + 3 * (k / 3) + x / 3 + 1, c0 + 3 * (k % 3) + x % 3 + 1);
      }
      units_.push_back(line);
      units_.push_back(column);
      if (std::find(units_.begin(), units_.end(), domain) == units_.end()) units_.push_back(domain);
    }
  }
  unitsOf_.assign(cells(), {});
  unitList_.assign(cells(), {});
  unitCount_.assign(cells(), 0);
  for (std::size_t u = 0; u < units_.size(); ++u)
    for (int x : units_[u]) {
      unitsOf_[x][u / 64] |= std::uint64_t{1} << (u % 64);
      unitList_[x][unitCount_[x]++] = static_cast<std::int16_t>(u);
    }
  std::vector<std::vector<std::int16_t>> peers(cells());
  for (const auto& unit : units_)
    for (int a : unit)
      for (std::int16_t b : unit)
        if (a != b && std::find(peers[a].begin(), peers[a].end(), b) == peers[a].end())
          peers[a].push_back(b);
  for (const auto& p : peers) {
    peerStart_.push_back(static_cast<int>(peers_.size()));
    peers_.insert(peers_.end(), p.begin(), p.end());
  }
  peerStart_.push_back(static_cast<int>(peers_.size()));

  // Segments: three cells of one line inside one domain; a shared domain's
  // segments are the same for both its grids.
  std::map<std::array<std::int16_t, 3>, std::int16_t> segIndex;
  int grid = 0;
  auto segment = [&](std::array<std::int16_t, 3> cells) {
    auto [it, fresh] = segIndex.emplace(cells, static_cast<std::int16_t>(segments_.size()));
    if (fresh) segments_.push_back(cells);
    gridSegments_[grid].push_back(it->second);
    return it->second;
  };
  gridsOf_.assign(cells(), 0);
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    grid = g;
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j) gridsOf_[at_[r0 + i][c0 + j]] |= static_cast<std::uint8_t>(1u << (g - 1));
    // seg[t][i][j][k]: t 0 rows, 1 columns; domain (i, j); k-th line inside it.
    std::int16_t seg[2][3][3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) {
          const int r = r0 + 3 * i + 1, c = c0 + 3 * j + 1;
          seg[0][i][j][k] = segment({at(r + k, c), at(r + k, c + 1), at(r + k, c + 2)});
          seg[1][i][j][k] = segment({at(r, c + k), at(r + 1, c + k), at(r + 2, c + k)});
        }
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) {
          crossings_.push_back({seg[0][i][j][k], seg[0][i][(j + 1) % 3][k], seg[0][i][(j + 2) % 3][k],
                                seg[0][i][j][(k + 1) % 3], seg[0][i][j][(k + 2) % 3]});
          crossings_.push_back({seg[1][i][j][k], seg[1][(i + 1) % 3][j][k], seg[1][(i + 2) % 3][j][k],
                                seg[1][i][j][(k + 1) % 3], seg[1][i][j][(k + 2) % 3]});
        }
  }

  part_.assign(cells(), kCentre);
  isShared_.assign(cells(), 0);
  if (sud == 5) {
    constexpr int corners[4] = {1, 2, 4, 5};
    const auto [cr0, cc0] = kGrid[3];
    for (int k = 0; k < 4; ++k) {
      const auto [r0, c0] = kGrid[corners[k]];
      int n = 0;
      for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 9; ++j) {
          const int r = r0 + i, c = c0 + j;
          if (r > cr0 && r <= cr0 + 9 && c > cc0 && c <= cc0 + 9) {
            shared_[k][n++] = at(r, c);
            isShared_[at_[r][c]] = 1;
          } else {
            part_[at_[r][c]] = k;
          }
        }
    }
  }
}

ExactSolver::ExactSolver(int sud)
    : f_(ExactField::of(sud)),
      stack_(f_.cells() + 2),
      queue_(4 * ExactField::kMaxCells),
      segMask_(f_.segments().size()),
      unitMask_(f_.units().size()) {}

bool ExactSolver::assign(Mask* s, int x, Mask bit) {
  if (!(s[x] & bit)) return false;
  s[x] = bit | kPlaced;
  touch(x);
  for (const std::int16_t p : f_.peers(x)) {
    Mask m = s[p];
    if (!(m & bit)) continue;
    if (m & kPlaced) return false;  // the same digit twice in a unit
    m &= ~bit;
    s[p] = m;
    touch(p);
    if (m == 0) return false;
    if (single(m)) queue_[queued_++] = p;
  }
  return true;
}

bool ExactSolver::eliminate(Mask* s, int x, Mask bits) {
  Mask m = s[x];
  if (!(m & bits)) return true;
  if (m & kPlaced) return false;
  m &= ~bits;
  s[x] = m;
  touch(x);
  if (m == 0) return false;
  if (single(m)) queue_[queued_++] = static_cast<std::int16_t>(x);
  return true;
}

// Naked singles until the queue is empty.
bool ExactSolver::drain(Mask* s) {
  while (queued_) {
    const int x = queue_[--queued_];
    if (s[x] & kPlaced) continue;
    if (!assign(s, x, s[x])) return false;
  }
  return true;
}

bool ExactSolver::hiddenSingles(Mask* s, bool& changed) {
  const auto& units = f_.units();
  for (int w = 0; w < 3; ++w)
    while (dirty_[w]) {
      const int u = 64 * w + std::countr_zero(dirty_[w]);
      dirty_[w] &= dirty_[w] - 1;
      if (!hiddenIn(s, units[u], changed)) return false;
    }
  return true;
}

bool ExactSolver::hiddenIn(Mask* s, const std::array<std::int16_t, 9>& unit, bool& changed) {
  // A placed digit is no candidate of its peers, so placed cells may be
  // counted with the rest: no branch in the loop.
  Mask once = 0, twice = 0, placed = 0;
  for (const std::int16_t x : unit) {
    const Mask m = s[x];
    placed |= m & static_cast<Mask>(0u - (m >> 9));
    twice |= once & m;
    once |= m;
  }
  if ((once & kAll) != kAll) return false;  // a digit with no place left
  const Mask hidden = once & ~twice & ~placed & kAll;
  if (!hidden) return true;
  for (const std::int16_t x : unit) {
    const Mask h = s[x] & hidden;
    if (!h || (s[x] & kPlaced)) continue;
    if (!single(h) || !assign(s, x, h)) return false;
    changed = true;
  }
  return true;
}

// A digit of a domain that stays on one of its lines leaves the rest of that
// line, and one of a line that stays in one domain leaves the rest of it; a
// triad (where a line crosses a domain) left with three digits holds them.
bool ExactSolver::crossings(Mask* s, bool& changed) {
  const auto& segs = f_.segments();
  auto maskOf = [&](int seg) { return (s[segs[seg][0]] | s[segs[seg][1]] | s[segs[seg][2]]) & kAll; };
  auto clear = [&](int seg, Mask bits) {
    for (const std::int16_t x : segs[seg])
      if (!eliminate(s, x, bits)) return false;
    segMask_[seg] = maskOf(seg);
    return true;
  };
  for (int g = 1; g <= f_.sud(); ++g) {
    const auto bit = static_cast<std::uint8_t>(1u << (g - 1));
    if (!(crossDirty_ & bit)) continue;
    crossDirty_ &= static_cast<std::uint8_t>(~bit);
    for (const std::int16_t seg : f_.gridSegments(g)) segMask_[seg] = maskOf(seg);
    for (const auto& k : f_.gridCrossings(g)) {
      const Mask here = segMask_[k.seg];
      const Mask line = segMask_[k.line1] | segMask_[k.line2];
      const Mask box = segMask_[k.box1] | segMask_[k.box2];
      // Three cells hold three digits: three left are all there.
      if (kCount[here] < 3) return false;
      if (kCount[here] == 3 && ((line | box) & here)) {
        if (!clear(k.line1, here) || !clear(k.line2, here) || !clear(k.box1, here) || !clear(k.box2, here))
          return false;
        changed = true;
        continue;
      }
      if (const Mask pointing = here & ~box & line) {
        if (!clear(k.line1, pointing) || !clear(k.line2, pointing)) return false;
        changed = true;
      }
      if (const Mask claiming = here & ~line & box) {
        if (!clear(k.box1, claiming) || !clear(k.box2, claiming)) return false;
        changed = true;
      }
    }
  }
  return true;
}

// Singles, then crossings, until nothing changes; false on a contradiction.
bool ExactSolver::propagate(Mask* s) {
  for (;;) {
    if (!drain(s)) return false;
    bool changed = false;
    if (!hiddenSingles(s, changed)) return false;
    if (changed) continue;
    // Crossings cost more than the rest together: not on a full board.
    const int n = f_.cells();
    int x = 0;
    while (x < n && (s[x] & kPlaced)) ++x;
    if (x == n) return true;
    // A random board is drawn by singles alone, so that a seed keeps giving
    // the boards it always gave; a solution near a known one is mostly found
    // straight away, where crossings cost more than they save.
    if (rng_ || hasNear_) return true;
    if (!crossings(s, changed)) return false;
    if (!changed) return true;
  }
}

// The givens' digits per unit first, then every open cell's candidates from
// its units: far cheaper than placing the givens one by one.
bool ExactSolver::load(const Grid& tab1) {
  queued_ = 0;
  dirty_.fill(0);
  for (std::size_t u = 0; u < f_.units().size(); ++u) dirty_[u / 64] |= std::uint64_t{1} << (u % 64);
  crossDirty_ = 0x1F;
  std::fill(unitMask_.begin(), unitMask_.end(), 0);
  Mask* s = stack_[0].cand.data();
  const int n = f_.cells();
  for (int x = 0; x < n; ++x) {
    const char ch = tab1[f_.row(x)][f_.col(x)];
    if (!isDigit(ch)) {
      s[x] = 0;
      continue;
    }
    const Mask bit = static_cast<Mask>(1u << (ch - '1'));
    s[x] = bit | kPlaced;
    for (const std::int16_t u : f_.unitList(x)) {
      if (unitMask_[u] & bit) return false;  // the same digit twice in a unit
      unitMask_[u] |= bit;
    }
  }
  for (int x = 0; x < n; ++x) {
    if (s[x] & kPlaced) continue;
    Mask taken = 0;
    for (const std::int16_t u : f_.unitList(x)) taken |= unitMask_[u];
    const Mask m = kAll & ~taken;
    if (m == 0) return false;
    s[x] = m;
    if (single(m)) queue_[queued_++] = static_cast<std::int16_t>(x);
  }
  return propagate(s);
}

void ExactSolver::copyDown(int depth) {
  std::memcpy(stack_[depth + 1].cand.data(), stack_[depth].cand.data(), sizeof(Mask) * f_.cells());
}

// Solutions of the open cells of the given parts (a bit per part) of the
// board at stack_[depth], up to limit_. When it returns more than 0 and
// record_ is set, sol_ holds the values of one solution for them.
int ExactSolver::solve(int depth, unsigned parts) {
  ++nodes_;
  if (nodeBudget_ && nodes_ > nodeBudget_) return 0;
  const Mask* s = stack_[depth].cand.data();
  const int n = f_.cells();
  const bool quincunx = f_.sud() == 5;
  unsigned open = 0;
  int best = -1, bestCount = 100;
  for (int x = 0; x < n; ++x) {
    if (s[x] & kPlaced) continue;
    const int part = quincunx ? f_.part(x) : ExactField::kCentre;
    if (!(parts >> part & 1)) continue;
    open |= 1u << part;
    const int c = kCount[s[x]] + (quincunx && !f_.isShared(x) ? 16 : 0);
    if (c < bestCount) {
      best = x;
      bestCount = c;
      if (c == 2 && !quincunx) break;  // a Quincunx still needs every open part
    }
  }
  if (!open) {
    if (record_)
      for (int x = 0; x < n; ++x)
        if (s[x] & kPlaced) sol_[x] = static_cast<std::uint8_t>(std::countr_zero(s[x]) + 1);
    return 1;
  }

  // A corner whose shared domain is filled stands alone.
  unsigned alone = 0;
  if (quincunx)
    for (int k = 0; k < 4; ++k) {
      if (!(open >> k & 1)) continue;
      bool domainFilled = true;
      for (const std::int16_t x : f_.shared(k)) domainFilled = domainFilled && (s[x] & kPlaced);
      if (domainFilled) alone |= 1u << k;
    }
  if (alone && (alone != open || std::popcount(alone) > 1)) {
    int product = 1;
    for (int k = 0; k < 4 && product; ++k)
      if (alone >> k & 1) product = std::min(limit_, product * solve(depth, 1u << k));
    if (product && (open & ~alone)) product = std::min(limit_, product * solve(depth, open & ~alone));
    return product;
  }

  std::array<Mask, 9> order;
  int digits = 0;
  for (Mask m = s[best] & kAll; m; m &= m - 1) order[digits++] = m & -m;
  if (rng_)
    for (int i = digits - 1; i > 0; --i) std::swap(order[i], order[below(*rng_, i + 1)]);
  for (int i = 1; i < digits; ++i)
    if (order[i] == near_[best]) std::swap(order[0], order[i]);
  int total = 0;
  std::array<std::uint8_t, ExactField::kMaxCells> kept;
  for (int i = 0; i < digits; ++i) {
    copyDown(depth);
    Mask* t = stack_[depth + 1].cand.data();
    queued_ = 0;
    dirty_.fill(0);
    crossDirty_ = 0;
    const int found = assign(t, best, order[i]) && propagate(t) ? solve(depth + 1, open) : 0;
    queued_ = 0;
    if (found && total == 0 && record_) kept = sol_;
    total += found;
    if (total >= limit_ || (nodeBudget_ && nodes_ > nodeBudget_)) break;
  }
  // Later branches may have left parts of failed attempts behind.
  if (total && record_) sol_ = kept;
  return std::min(total, limit_);
}

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

namespace {

// The cells of grid 1 row by row.
std::array<char, 81> cellsOf(const Grid& g) {
  std::array<char, 81> cells;
  for (int x = 0; x < 81; ++x) cells[x] = g[x / 9 + 1][x % 9 + 1];
  return cells;
}

}  // namespace

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

void ExactSolver::begin(int limit, bool record) {
  limit_ = limit;
  record_ = record;
  rng_ = nullptr;
  nodes_ = 0;
  guesses_ = 0;
  nodeBudget_ = 0;
  near_.fill(0);
  hasNear_ = false;
  found81_ = false;
}

void ExactSolver::writeSolution(Grid& g) const {
  for (auto& row : g) row.fill('0');
  for (int x = 0; x < f_.cells(); ++x) g[f_.row(x)][f_.col(x)] = static_cast<char>('0' + sol_[x]);
}

int ExactSolver::countExcept(const Grid& tab1, int r, int c, char d, int limit, const Grid* near) {
  const int x = f_.index(r, c);
  if (x < 0) return count(tab1, limit);
  begin(limit, false);
  hasNear_ = near != nullptr;
  if (near)
    for (int y = 0; y < f_.cells(); ++y) {
      const char ch = (*near)[f_.row(y)][f_.col(y)];
      if (isDigit(ch)) near_[y] = static_cast<Mask>(1u << (ch - '1'));
    }
  if (limit <= 0) return 0;
  if (f_.sud() == 1) {
    if (!load81(cellsOf(tab1).data())) return 0;
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
  if (!load(tab1)) return 0;
  Mask* s = stack_[0].cand.data();
  if (isDigit(d)) {
    const Mask bit = static_cast<Mask>(1u << (d - '1'));
    if (s[x] & kPlaced) {
      if (s[x] & bit) return 0;
    } else if (!eliminate(s, x, bit) || !propagate(s)) {
      return 0;
    }
  }
  return solve(0, 0x1F);
}

int ExactSolver::count(const Grid& tab1, int limit, Grid* first) {
  begin(limit, first != nullptr);
  if (limit <= 0) return 0;
  const int found = f_.sud() == 1 ? (load81(cellsOf(tab1).data()) ? solve81(0) : 0) : (load(tab1) ? solve(0, 0x1F) : 0);
  if (found && first) writeSolution(*first);
  return found;
}

int ExactSolver::count81(const char* cells, int limit, char* first) {
  begin(limit, first != nullptr);
  if (limit <= 0) return 0;
  const int found = load81(cells) ? solve81(0) : 0;
  if (found && first)
    for (int x = 0; x < 81; ++x) first[x] = static_cast<char>('0' + sol_[x]);
  return found;
}

bool ExactSolver::forced(const Grid& g, int r, int c, char d) {
  const int x = f_.index(r, c);
  if (x < 0 || !isDigit(d)) return false;
  std::fill(unitMask_.begin(), unitMask_.end(), 0);
  for (int y = 0; y < f_.cells(); ++y) {
    const char ch = g[f_.row(y)][f_.col(y)];
    if (isDigit(ch) && y != x)
      for (const std::int16_t u : f_.unitList(y)) unitMask_[u] |= static_cast<Mask>(1u << (ch - '1'));
  }
  auto taken = [&](int y) {
    Mask m = 0;
    for (const std::int16_t u : f_.unitList(y)) m |= unitMask_[u];
    return m;
  };
  const Mask bit = static_cast<Mask>(1u << (d - '1'));
  const Mask here = taken(x);
  if (here & bit) return false;
  if ((here | bit) == kAll) return true;
  for (const std::int16_t u : f_.unitList(x)) {
    bool alone = true;
    for (const std::int16_t y : f_.units()[u])
      if (y != x && !isDigit(g[f_.row(y)][f_.col(y)]) && !(taken(y) & bit)) {
        alone = false;
        break;
      }
    if (alone) return true;
  }
  return false;
}

Grid ExactSolver::randomFull(std::mt19937& rng) {
  Grid empty, full;
  for (auto& row : empty) row.fill('0');
  // A random descent nearly always succeeds at once; a rare dead end is cut
  // short and started again with the generator where it stands.
  for (;;) {
    begin(1, true);
    rng_ = &rng;
    nodeBudget_ = 20 * f_.cells();
    load(empty);
    const int found = solve(0, 0x1F);
    rng_ = nullptr;
    nodeBudget_ = 0;
    if (found) {
      writeSolution(full);
      return full;
    }
  }
}

Grid givensOf(const Board& b) {
  Grid g = b.tab1;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (!isDigit(g[r][c]) && isDigit(b.tab2[r][c])) g[r][c] = b.tab2[r][c];
  return g;
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// The complete solver's general search over any field: candidate masks,
// singles and crossings, and the search on the open cell with the fewest
// candidates, corners counted on their own.
#include "engine/exact.h"

#include <algorithm>
#include <bit>
#include <cstring>
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

}  // namespace

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

namespace {

// The cells of grid 1 row by row.
std::array<char, 81> cellsOf(const Grid& g) {
  std::array<char, 81> cells;
  for (int x = 0; x < 81; ++x) cells[x] = g[x / 9 + 1][x % 9 + 1];
  return cells;
}

}  // namespace

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
  if (f_.sud() == 1) return load81(cellsOf(tab1).data()) ? solveExcept81(x, d) : 0;
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

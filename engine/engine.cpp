#include "engine/engine.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qx {

namespace {

constexpr int kCells = kSize * kSize;
constexpr int kUnits = 5 * 27;
constexpr std::uint16_t kAll = 0x1ff;

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
  std::uint8_t inGrid[kCells] = {};  // bit g for each grid holding the cell
  std::uint16_t peers[6][81][20] = {};  // line, column and domain of a cell in one grid, itself excepted
  std::uint8_t pairIndex[9][9] = {};  // unordered pair of digits -> 0..35
  std::uint8_t alignGrid[6] = {};     // alignment numbering -> grid number
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
      for (int u : {lineOf(l), columnOf(l), domainOf(l)})
        t.cellUnits[x][t.cellUnitCount[x]++] = static_cast<std::uint8_t>(ub + u);
      t.inGrid[x] = static_cast<std::uint8_t>(t.inGrid[x] | 1 << g);
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

constexpr Tables kT = makeTables();

// The nine flags of a cell for every mask.
struct FlagTable {
  char s[512][9] = {};
};
constexpr FlagTable makeFlags() {
  FlagTable f;
  for (int m = 0; m < 512; ++m)
    for (int d = 0; d < 9; ++d) f.s[m][d] = (m >> d & 1) ? '1' : '0';
  return f;
}
constexpr FlagTable kFlags = makeFlags();

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
constexpr PopTable kPop = makePop();
constexpr int pop(std::uint16_t m) { return kPop.n[m & 0x1ff]; }

constexpr std::uint16_t digitBit(char ch) {
  return isDigit(ch) ? static_cast<std::uint16_t>(1u << (ch - '1')) : 0;
}
constexpr bool single(std::uint16_t m) { return m != 0 && (m & (m - 1)) == 0; }
constexpr char digitOf(std::uint16_t bit) { return static_cast<char>('1' + std::countr_zero(bit)); }

}  // namespace

std::uint8_t Engine::gridsOf(int x) { return kT.inGrid[x]; }

int countCands(const Cands& k, int r, int c) {
  int n = 0;
  for (int d = 1; d <= 9; ++d) n += k[r][c][d] == '1';
  return n;
}

// ---- values and the raw candidates they allow ----

void Engine::beginCall() {
  cd_.arr = &b_.candid;
  cg_.arr = &b_.candig;
  // Whatever the caller did since our last call, the char arrays are unknown.
  cd_.known = cg_.known = cx_.known = false;
  for (Masks* s : {&cd_, &cg_, &cx_}) s->alignIdle = s->unIdle = s->uniqueIdle = 0;
  loadValues();
}

void Engine::loadValues() {
  sud_ = std::clamp(b_.sud, 0, 5);
  const unsigned scanned = ((2u << sud_) - 1) & ~1u;
  val_.fill(0);
  empty0_.fill(0);
  filled_.fill(0);
  contra_.fill(0);
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      const int x = r * kSize + c;
      const char t1 = b_.tab1[r][c], t2 = b_.tab2[r][c];
      val_[x] = digitBit(t1) | digitBit(t2);
      empty0_[x] = t1 == '0' && t2 == '0';
      filled_[x] = isDigit(t1) || isDigit(t2);
      contra_[x] = (kT.inGrid[x] & scanned) != 0 && !filled_[x];
    }
  for (int u = 0; u < kUnits; ++u) {
    Mask m = 0;
    for (int y : kT.unitCells[u]) m |= val_[y];
    unitVal_[u] = m;
  }
  // Only cells of the grids can have candidates.
  raw_.fill(0);
  for (int g = 1; g <= 5; ++g)
    for (int x : kT.gridCells[g]) {
      if (!empty0_[x]) continue;
      Mask seen = 0;
      for (int k = 0; k < kT.cellUnitCount[x]; ++k) seen |= unitVal_[kT.cellUnits[x][k]];
      raw_[x] = static_cast<Mask>(~seen & kAll);
    }
}

void Engine::rawCell(int x) {
  if (!empty0_[x]) {
    raw_[x] = 0;
    return;
  }
  Mask seen = kAll;  // a cell outside every grid is never visited
  if (kT.cellUnitCount[x] != 0) {
    seen = 0;
    for (int k = 0; k < kT.cellUnitCount[x]; ++k) seen |= unitVal_[kT.cellUnits[x][k]];
  }
  raw_[x] = static_cast<Mask>(~seen & kAll);
}

// Writes ch into tab2 and brings the raw candidates of every peer up to date.
void Engine::setValue(int x, char ch) {
  const int r = x / kSize, c = x % kSize;
  b_.tab2[r][c] = ch;
  const char t1 = b_.tab1[r][c];
  const Mask before = val_[x];
  const bool wasEmpty = empty0_[x];
  val_[x] = digitBit(t1) | digitBit(ch);
  empty0_[x] = t1 == '0' && ch == '0';
  filled_[x] = isDigit(t1) || isDigit(ch);
  const unsigned scanned = ((2u << sud_) - 1) & ~1u;
  contra_[x] = (kT.inGrid[x] & scanned) != 0 && !filled_[x];
  stir(cd_, x);
  stir(cg_, x);
  stir(cx_, x);
  const int n = kT.cellUnitCount[x];
  if ((before & ~val_[x]) == 0 && (wasEmpty || !empty0_[x])) {
    // A digit only appears: its units gain it and their cells lose it.
    const Mask added = val_[x] & ~before;
    for (int k = 0; k < n; ++k) {
      const int u = kT.cellUnits[x][k];
      unitVal_[u] |= added;
      for (int y : kT.unitCells[u]) raw_[y] = static_cast<Mask>(raw_[y] & ~added);
    }
    rawCell(x);
    return;
  }
  for (int k = 0; k < n; ++k) {
    const int u = kT.cellUnits[x][k];
    Mask m = 0;
    for (int y : kT.unitCells[u]) m |= val_[y];
    unitVal_[u] = m;
  }
  for (int k = 0; k < n; ++k)
    for (int y : kT.unitCells[kT.cellUnits[x][k]]) rawCell(y);
  rawCell(x);
}

void Engine::trouver(int d) {
  beginCall();
  // Any digit value works here: the character looked for is '0' + low byte.
  const char dc = static_cast<char>('0' + (d & 0xff));
  bool hit[kUnits];
  for (int u = 0; u < kUnits; ++u) {
    hit[u] = false;
    for (int y : kT.unitCells[u])
      hit[u] = hit[u] || b_.tab1[y / kSize][y % kSize] == dc || b_.tab2[y / kSize][y % kSize] == dc;
  }
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      const int x = r * kSize + c;
      bool possible = empty0_[x] && kT.cellUnitCount[x] != 0;
      for (int k = 0; k < kT.cellUnitCount[x] && possible; ++k) possible = !hit[kT.cellUnits[x][k]];
      b_.tab3[r][c] = possible ? dc : '0';
    }
}

// ---- masks and their char arrays ----

Engine::Masks& Engine::masksFor(Cands& k) {
  if (&k == &b_.candid) return cd_;
  if (&k == &b_.candig) return cg_;
  cx_.arr = &k;
  return cx_;
}

void Engine::startPass(Masks& s) {
  s.pairsStale.fill(1);
  for (auto& g : s.unSeen) g.fill(0xffff);
  s.alignIdle = s.unIdle = s.uniqueIdle = 0;
  s.zeroHit = contradiction(s);
}

void Engine::loadMasks(Masks& s, Cands& k) {
  s.arr = &k;
  s.one.fill(0);
  s.odd.fill(0);
  Mask anyOdd = 0;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      Mask one = 0, odd = 0;
      for (int d = 1; d <= 9; ++d) {
        const char f = k[r][c][d];
        if (f == '1')
          one |= static_cast<Mask>(1u << (d - 1));
        else if (f != '0')
          odd |= static_cast<Mask>(1u << (d - 1));
      }
      s.one[r * kSize + c] = one;
      s.odd[r * kSize + c] = odd;
      anyOdd |= odd;
    }
  s.shownOne = s.one;
  s.shownOdd = s.odd;
  s.hasOdd = anyOdd != 0;
  s.known = true;
  s.dirty = false;
  startPass(s);
}

void Engine::rebuildInto(Masks& s) {
  s.one = raw_;
  if (s.hasOdd) s.odd.fill(0);
  s.hasOdd = false;
  s.dirty = true;
  startPass(s);
  lastRaw_ = raw_;
  tab3Pending_ = true;
}

void Engine::rebuild(Cands& k) {
  beginCall();
  rebuildInto(masksFor(k));
  syncOut();
}

void Engine::writeMasks(Masks& s) {
  if (!s.dirty || s.arr == nullptr) return;
  Cands& k = *s.arr;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      const int x = r * kSize + c;
      const Mask one = s.one[x], odd = s.odd[x];
      if (s.known && one == s.shownOne[x] && odd == s.shownOdd[x]) continue;
      if (odd == 0) {
        std::memcpy(&k[r][c][1], kFlags.s[one], 9);
      } else {
        // A flag that was neither '0' nor '1' and was never cleared stays as it was.
        for (int d = 1; d <= 9; ++d) {
          const Mask bit = static_cast<Mask>(1u << (d - 1));
          if (one & bit)
            k[r][c][d] = '1';
          else if (!(odd & bit))
            k[r][c][d] = '0';
        }
      }
      s.shownOne[x] = one;
      s.shownOdd[x] = odd;
    }
  s.known = true;
  s.dirty = false;
}

void Engine::writeTab3() {
  if (!tab3Pending_) return;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) b_.tab3[r][c] = (lastRaw_[r * kSize + c] >> 8 & 1) ? '9' : '0';
  tab3Pending_ = false;
}

void Engine::syncOut() {
  writeMasks(cd_);
  writeMasks(cg_);
  writeMasks(cx_);
  writeTab3();
}

bool Engine::contradiction(const Masks& s) const {
  bool any = false;
  for (int x = 0; x < kCells; ++x) any |= contra_[x] && s.one[x] == 0;
  return any;
}

bool Engine::hasEmptyCell() const {
  bool any = false;
  for (int x = 0; x < kCells; ++x) any |= contra_[x] != 0;
  return any;
}

// ---- the four methods on masks ----
//
// Each visits what the literal loops visit, in the same order, but skips what
// cannot change anything: candidates only ever disappear during a pass, so a
// rule that found nothing to clear stays idle until its own cells change.
// With Odd, flags that are neither '0' nor '1' are cleared like the others
// but never count as a candidate or a change.

template <bool Odd>
bool Engine::clear(Masks& s, int x, Mask m) {
  const Mask hit = s.one[x] & m;
  bool touched = hit != 0;
  if constexpr (Odd) {
    if (s.odd[x] & m) {
      s.odd[x] = static_cast<Mask>(s.odd[x] & ~m);
      touched = true;
    }
  }
  if (!touched) return false;
  for (int k = 0; k < kT.cellUnitCount[x]; ++k) s.pairsStale[kT.cellUnits[x][k]] = 1;
  if constexpr (Odd) stir(s, x);
  if (!hit) return false;
  if constexpr (!Odd) stir(s, x);
  s.one[x] = static_cast<Mask>(s.one[x] & ~m);
  if (s.one[x] == 0 && contra_[x]) s.zeroHit = true;
  return true;
}

template <bool Odd>
int Engine::alignK(Masks& s) {
  int change = 0;
  for (int a = 1; a <= sud_; ++a) {
    const int g = kT.alignGrid[a];
    const std::uint8_t gb = static_cast<std::uint8_t>(1u << g);
    if (s.alignIdle & gb) continue;
    s.alignIdle |= gb;
    const int base = (kGrid[g].r0 + 1) * kSize + kGrid[g].c0 + 1;  // cell (i, j) is base + 22 i + j
    // Three-cell segments: rows[3 i + t] is row i in stack t, cols[3 j + t]
    // column j in band t; restRow[3 i + t] is the rest of row i outside stack t
    // (with odd flags when there are any), restCol likewise.
    Mask rows[27], cols[27], restRow[27], restCol[27];
    auto rowSegments = [&](int i) {
      Mask live[3];
      for (int t = 0; t < 3; ++t) {
        const int x = base + i * kSize + 3 * t;
        rows[3 * i + t] = live[t] = s.one[x] | s.one[x + 1] | s.one[x + 2];
        if constexpr (Odd) live[t] |= s.odd[x] | s.odd[x + 1] | s.odd[x + 2];
      }
      restRow[3 * i] = live[1] | live[2];
      restRow[3 * i + 1] = live[0] | live[2];
      restRow[3 * i + 2] = live[0] | live[1];
    };
    auto colSegments = [&](int j) {
      Mask live[3];
      for (int t = 0; t < 3; ++t) {
        const int x = base + 3 * t * kSize + j;
        cols[3 * j + t] = live[t] = s.one[x] | s.one[x + kSize] | s.one[x + 2 * kSize];
        if constexpr (Odd) live[t] |= s.odd[x] | s.odd[x + kSize] | s.odd[x + 2 * kSize];
      }
      restCol[3 * j] = live[1] | live[2];
      restCol[3 * j + 1] = live[0] | live[2];
      restCol[3 * j + 2] = live[0] | live[1];
    };
    for (int i = 0; i < 9; ++i) {
      rowSegments(i);
      colSegments(i);
    }
    for (int band = 0; band < 3; ++band)
      for (int stack = 0; stack < 3; ++stack) {
        // Digits found on one line (column) of the domain only, and still
        // standing elsewhere on that line (column) of the grid.
        const int ri = 9 * band + stack, ci = 9 * stack + band;
        const Mask r0 = rows[ri], r1 = rows[ri + 3], r2 = rows[ri + 6];
        const Mask c0 = cols[ci], c1 = cols[ci + 3], c2 = cols[ci + 6];
        const Mask effRow[3] = {static_cast<Mask>(r0 & ~(r1 | r2) & restRow[ri]),
                                static_cast<Mask>(r1 & ~(r0 | r2) & restRow[ri + 3]),
                                static_cast<Mask>(r2 & ~(r0 | r1) & restRow[ri + 6])};
        const Mask effCol[3] = {static_cast<Mask>(c0 & ~(c1 | c2) & restCol[ci]),
                                static_cast<Mask>(c1 & ~(c0 | c2) & restCol[ci + 3]),
                                static_cast<Mask>(c2 & ~(c0 | c1) & restCol[ci + 6])};
        const Mask eff = effRow[0] | effRow[1] | effRow[2] | effCol[0] | effCol[1] | effCol[2];
        if (!eff) continue;
        // Digit by digit: the line first, then the column.
        for (Mask left = eff; left; left &= left - 1) {
          const Mask bit = left & -left;
          for (int y = 0; y < 3; ++y) {
            if (!(effRow[y] & bit)) continue;
            const int i = 3 * band + y;
            for (int j = 0; j < 9; ++j)
              if (j / 3 != stack) {
                change |= clear<Odd>(s, base + i * kSize + j, bit);
                colSegments(j);
              }
            rowSegments(i);
          }
          for (int y = 0; y < 3; ++y) {
            if (!(effCol[y] & bit)) continue;
            const int j = 3 * stack + y;
            for (int i = 0; i < 9; ++i)
              if (i / 3 != band) {
                change |= clear<Odd>(s, base + i * kSize + j, bit);
                rowSegments(i);
              }
            colSegments(j);
          }
        }
      }
  }
  return change;
}

// Pairs {d1, d2} (as bits of pairIndex) for which the hidden-pair or the
// naked-pair rule would clear some flag of unit u.
template <bool Odd>
std::uint64_t Engine::pairsOf(Masks& s, int u) const {
  const auto& cells = kT.unitCells[u];
  Mask m[9], live[9];
  Mask once = 0, twice = 0, more = 0, pairCells = 0;
  for (int k = 0; k < 9; ++k) {
    m[k] = s.one[cells[k]];
    live[k] = m[k];
    if constexpr (Odd) live[k] |= s.odd[cells[k]];
    more |= twice & m[k];
    twice |= once & m[k];
    once |= m[k];
    const Mask rest = m[k] & (m[k] - 1);
    pairCells |= static_cast<Mask>((rest != 0 && single(rest)) << k);
  }
  std::uint64_t res = 0;
  // Two digits standing exactly twice, in the same two cells: those cells
  // share both, so look at pairs of cells sharing two such digits.
  const Mask two = twice & ~more;
  Mask shared = 0;
  if (two & (two - 1))
    for (int k = 0; k < 9; ++k) {
      const Mask t = m[k] & two;
      shared |= static_cast<Mask>(((t & (t - 1)) != 0) << k);
    }
  for (Mask b1 = shared; b1 & (b1 - 1); b1 &= b1 - 1) {
    const int k1 = std::countr_zero(b1);
    for (Mask b2 = b1 & (b1 - 1); b2; b2 &= b2 - 1) {
      const int k2 = std::countr_zero(b2);
      const Mask common = m[k1] & m[k2] & two;
      if (pop(common) < 2) continue;
      for (Mask e1 = common; e1; e1 &= e1 - 1) {
        const int d1 = std::countr_zero(e1);
        for (Mask e2 = e1 & (e1 - 1); e2; e2 &= e2 - 1) {
          const int d2 = std::countr_zero(e2);
          const Mask keep = static_cast<Mask>(1u << d1 | 1u << d2);
          if ((live[k1] | live[k2]) & ~keep) res |= 1ull << kT.pairIndex[d1][d2];
        }
      }
    }
  }
  if (!Odd && (pairCells & (pairCells - 1))) {
    // Two cells holding the same pair clear something exactly when one of
    // its digits stands a third time in the unit.
    for (Mask b = pairCells & (pairCells - 1); b; b &= b - 1) {
      const int k = std::countr_zero(b);
      const Mask v = m[k];
      if (!(v & more)) continue;
      bool twin = false;
      for (Mask e = pairCells & ((1u << k) - 1); e && !twin; e &= e - 1) twin = m[std::countr_zero(e)] == v;
      if (twin)
        res |= 1ull << kT.pairIndex[std::countr_zero(v)][std::countr_zero(static_cast<Mask>(v & (v - 1)))];
    }
  } else if (pairCells & (pairCells - 1)) {
    for (Mask b = pairCells & (pairCells - 1); b; b &= b - 1) {
      const int k = std::countr_zero(b);
      const Mask v = m[k];
      int first = -1, earlier = 0;
      for (int j = 0; j < k; ++j)
        if (m[j] == v) {
          first = j;
          ++earlier;
        }
      if (earlier != 1) continue;  // only the second matching cell decides
      Mask others = 0;
      for (int j = 0; j < 9; ++j)
        if (j != first && j != k) others |= live[j];
      if (others & v)
        res |= 1ull << kT.pairIndex[std::countr_zero(v)][std::countr_zero(static_cast<Mask>(v & (v - 1)))];
    }
  }
  return res;
}

template <bool Odd>
int Engine::applyPair(Masks& s, int u, int d1, int d2) {
  const auto& cells = kT.unitCells[u];
  const Mask b1 = static_cast<Mask>(1u << d1), b2 = static_cast<Mask>(1u << d2), both = b1 | b2;
  int change = 0;

  int n1 = 0, n2 = 0, p1[2] = {}, p2[2] = {};
  for (int k = 0; k < 9; ++k) {
    const Mask m = s.one[cells[k]];
    if (m & b1) {
      if (n1 < 2) p1[n1] = k;
      ++n1;
    }
    if (m & b2) {
      if (n2 < 2) p2[n2] = k;
      ++n2;
    }
  }
  if (n1 == 2 && n2 == 2 && p1[0] == p2[0] && p1[1] == p2[1])
    for (int k : p1) change |= clear<Odd>(s, cells[k], static_cast<Mask>(kAll & ~both));

  int matches = 0, first[2] = {-1, -1};
  for (int k = 0; k < 9; ++k)
    if (s.one[cells[k]] == both) {
      if (matches < 2) first[matches] = k;
      ++matches;
    }
  if (matches >= 2)
    for (int k = 0; k < 9; ++k)
      if (k != first[0] && k != first[1]) change |= clear<Odd>(s, cells[k], both);
  return change;
}

template <bool Odd>
int Engine::coupleK(Masks& s) {
  int change = 0;
  for (int a = 1; a <= sud_; ++a) {
    const int ub = (kT.alignGrid[a] - 1) * 27;
    auto active = [&](int u) {
      if (s.pairsStale[u]) {
        s.pairs[u] = pairsOf<Odd>(s, u);
        s.pairsStale[u] = 0;
      }
      return s.pairs[u];
    };
    auto all = [&] {
      std::uint64_t any = 0;
      for (int v = 0; v < 27; ++v) any |= active(ub + v);
      return any;
    };
    std::uint64_t any = all();
    // Ordered pairs as the literal loops take them; each unordered pair twice.
    for (int d1 = 0; d1 < 9 && any; ++d1)
      for (int d2 = 0; d2 < 9; ++d2) {
        if (d2 == d1) continue;
        const std::uint64_t p = 1ull << kT.pairIndex[d1][d2];
        if (!(any & p)) continue;
        for (int v = 0; v < 27; ++v)
          if (active(ub + v) & p) change |= applyPair<Odd>(s, ub + v, d1, d2);
        any = all();
      }
  }
  return change;
}

template <bool Odd>
int Engine::unK(Masks& s) {
  int change = 0;
  for (int g = 1; g <= sud_; ++g) {
    const std::uint8_t gb = static_cast<std::uint8_t>(1u << g);
    if (s.unIdle & gb) continue;
    s.unIdle |= gb;
    for (int l = 0; l < 81; ++l) {
      const int x = kT.gridCells[g][l];
      const Mask m = s.one[x];
      // Peers only lose flags: a cell handled with this very mask has nothing left to clear.
      if (m == s.unSeen[g][l]) continue;
      s.unSeen[g][l] = m;
      if (!single(m)) continue;
      for (int y : kT.peers[g][l]) change |= clear<Odd>(s, y, m);
    }
  }
  return change;
}

template <bool Odd>
int Engine::uniqueK(Masks& s) {
  int change = 0;
  for (int g = 1; g <= sud_; ++g) {
    const std::uint8_t gb = static_cast<std::uint8_t>(1u << g);
    if (s.uniqueIdle & gb) continue;
    s.uniqueIdle |= gb;
    const int ub = (g - 1) * 27;
    Mask hit[81];
    // hit[l]: digits that cell l would be narrowed to, being their only place
    // in one of its units.
    auto scan = [&] {
      Mask once[27];
      for (int u = 0; u < 27; ++u) {
        Mask o = 0, t = 0;
        for (int y : kT.unitCells[ub + u]) {
          t |= o & s.one[y];
          o |= s.one[y];
        }
        once[u] = o & ~t;
      }
      Mask any = 0;
      for (int l = 0; l < 81; ++l) {
        const int x = kT.gridCells[g][l];
        const Mask m = s.one[x];
        const bool narrowable = empty0_[x] && m != 0 && !single(m);
        hit[l] = narrowable ? m & (once[lineOf(l)] | once[columnOf(l)] | once[domainOf(l)]) : 0;
        any |= hit[l];
      }
      return any;
    };
    Mask any = scan();
    for (int d = 0; d < 9 && any; ++d) {
      const Mask bit = static_cast<Mask>(1u << d);
      if (!(any & bit)) continue;
      for (int l = 0; l < 81; ++l)
        if (hit[l] & bit) change |= clear<Odd>(s, kT.gridCells[g][l], static_cast<Mask>(kAll & ~bit));
      any = scan();
    }
  }
  return change;
}

template <int Method>
int Engine::method(Cands& k) {
  beginCall();
  Masks& s = masksFor(k);
  loadMasks(s, k);
  int r = 0;
  if (s.hasOdd) {
    if constexpr (Method == 0) r = uniqueK<true>(s);
    if constexpr (Method == 1) r = unK<true>(s);
    if constexpr (Method == 2) r = alignK<true>(s);
    if constexpr (Method == 3) r = coupleK<true>(s);
  } else {
    if constexpr (Method == 0) r = uniqueK<false>(s);
    if constexpr (Method == 1) r = unK<false>(s);
    if constexpr (Method == 2) r = alignK<false>(s);
    if constexpr (Method == 3) r = coupleK<false>(s);
  }
  s.dirty = true;
  syncOut();
  return r;
}

int Engine::uniqueOn(Cands& k) { return method<0>(k); }
int Engine::unOn(Cands& k) { return method<1>(k); }
int Engine::alignOn(Cands& k) { return method<2>(k); }
int Engine::coupleOn(Cands& k) { return method<3>(k); }

// ---- logical pass and trials ----

bool Engine::logicalPass(Masks& s, bool stopEarly) {
  // Fixed order, and back to the first method after every success. Once an
  // empty cell has run dry it stays dry, which is all a trial wants to know.
  s.dirty = true;
  for (;;) {
    if (stopEarly && s.zeroHit) return false;
    if (alignK<false>(s)) continue;
    if (coupleK<false>(s)) continue;
    if (unK<false>(s)) continue;
    if (uniqueK<false>(s)) continue;
    return true;
  }
}

void Engine::candidatK() {
  rebuildInto(cd_);
  for (;;) {
    logicalPass(cd_, false);
    if (trois == 1 && troiseK() == 1) continue;
    return;
  }
}

// candidat() whose candid nobody will see: only whether a cell runs dry.
bool Engine::trialCandidat() {
  if (trois == 1) {
    candidatK();
    return contradiction(cd_);
  }
  rebuildInto(cd_);
  return !logicalPass(cd_, true) || contradiction(cd_);
}

void Engine::candidat() {
  beginCall();
  candidatK();
  syncOut();
}

int Engine::troiseK() {
  int change = 0;
  int lastCell = -1;
  Mask lastValue = 0;
  bool lastWhole = true;
  for (int g = 1; g <= sud_; ++g)
    for (int l = 0; l < 81; ++l) {
      const int x = kT.gridCells[g][l];
      if (filled_[x]) continue;
      const Mask values = cd_.one[x];
      if (pop(values) != 3) continue;
      for (Mask left = values; left; left &= left - 1) {
        const Mask bit = left & -left;
        setValue(x, digitOf(bit));
        rebuildInto(cg_);
        const bool whole = logicalPass(cg_, true);
        if (!whole || contradiction(cg_)) {
          clear<false>(cd_, x, bit);
          cd_.dirty = true;
          change = 1;
        }
        lastCell = x;
        lastValue = bit;
        lastWhole = whole;
      }
      setValue(x, '0');
    }
  trois = 0;
  // candig keeps the last trial: work it out to the end if it was cut short.
  if (lastCell >= 0 && !lastWhole) {
    setValue(lastCell, digitOf(lastValue));
    rebuildInto(cg_);
    logicalPass(cg_, false);
    setValue(lastCell, '0');
  }
  return change;
}

int Engine::troise() {
  beginCall();
  loadMasks(cd_, b_.candid);
  const int r = troiseK();
  syncOut();
  return r;
}

int Engine::impoK() {
  bool haveRestored = false;
  for (int g = 1; g <= sud_; ++g)
    for (int l = 0; l < 81; ++l) {
      const int x = kT.gridCells[g][l];
      syncOut();
      host_.nessage();
      if (host_.termine() == 1) return 0;
      if (filled_[x]) continue;
      const Mask m = cd_.one[x];
      if (pop(m) != 2) continue;
      const char a = digitOf(m & -m), bb = digitOf(m & (m - 1));

      setValue(x, a);
      if (trialCandidat()) {
        setValue(x, bb);
        candidatK();
        return 1;
      }
      setValue(x, bb);
      if (trialCandidat()) {
        setValue(x, a);
        candidatK();
        return 1;
      }
      setValue(x, '0');
      // The board is back as it was, so candidat gives what it gave last time.
      if (haveRestored) {
        rebuildInto(cd_);
        cd_.one = restored_;
        startPass(cd_);
      } else {
        candidatK();
        restored_ = cd_.one;
        haveRestored = trois == 0;
      }
    }
  return 0;
}

int Engine::impo() {
  beginCall();
  loadMasks(cd_, b_.candid);
  const int r = impoK();
  syncOut();
  return r;
}

void Engine::solution(int mode) {
  beginCall();
  solutionK(mode);
  syncOut();
}

// The char arrays are written before every host call that may paint; a bare
// question (termine) or the wait cursor does not need them.
void Engine::solutionK(int mode) {
  trois = 0;
  trouv = 0;
  trouves = 0;
  placedByTrials = 0;
  auto termine = [&] { return host_.termine() == 1; };

  for (;;) {
    if (termine()) return;
    host_.waitCursor();
    if (mode == kObvious)
      rebuildInto(cd_);
    else
      candidatK();

    // Naked singles: the whole field, all from the same candidates.
    int singles[kField * kField], n = 0;
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (single(cd_.one[r * kSize + c])) singles[n++] = r * kSize + c;
    for (int k = 0; k < n; ++k) setValue(singles[k], digitOf(cd_.one[singles[k]]));
    trouves += n;
    if (n > 0) continue;

    // Hidden single: only the first one found.
    bool placed = false;
    for (int g = 1; g <= sud_ && !placed; ++g) {
      const int ub = (g - 1) * 27;
      Mask once[27];
      for (int u = 0; u < 27; ++u) {
        Mask o = 0, t = 0;
        for (int y : kT.unitCells[ub + u]) {
          t |= o & cd_.one[y];
          o |= cd_.one[y];
        }
        once[u] = o & ~t;
      }
      Mask hit[81], any = 0;
      for (int l = 0; l < 81; ++l) {
        hit[l] = cd_.one[kT.gridCells[g][l]] & (once[lineOf(l)] | once[columnOf(l)] | once[domainOf(l)]);
        any |= hit[l];
      }
      for (int d = 0; d < 9 && any && !placed; ++d)
        for (int l = 0; l < 81 && !placed; ++l)
          if (hit[l] >> d & 1) {
            setValue(kT.gridCells[g][l], static_cast<char>('1' + d));
            ++trouves;
            placed = true;
          }
    }
    if (placed) continue;

    if (mode == kObvious) {
      syncOut();
      host_.nessage();
      if (termine()) return;
      host_.redraw();
      return;
    }

    if (!hasEmptyCell()) break;

    if (impoK() == 1) {
      ++placedByTrials;
      if (termine()) return;
      continue;
    }

    // Stall: one more sweep of three-candidate trials, unless the last one
    // led to no single.
    candidatK();
    if (hasEmptyCell() && !(trouv == 1 && trouves == 0)) {
      trois = 1;
      trouv = 1;
      trouves = 0;
      continue;
    }
    const bool erroneous = contradiction(cd_);
    syncOut();
    host_.failureBox(erroneous ? kTextErroneous : kTextIncomplete);
    break;
  }

  for (int r = 1; r <= kField; ++r) std::copy_n(&b_.tab2[r][1], kField, &b_.tab6[r][1]);
  syncOut();
  host_.nessage();
  if (termine()) return;
  host_.clearClientArea();
  if (mode == kShown) host_.redraw();
}

}  // namespace qx

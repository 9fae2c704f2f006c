// SPDX-License-Identifier: GPL-3.0-or-later
// Candidates: the values on the board and the raw candidates they allow, the
// possibility map of one digit, and candidate arrays as masks and as chars.
#include <algorithm>
#include <cstring>

#include "engine/engine.h"

namespace qx {

using namespace fast;

namespace {

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

unsigned scannedGrids(int sud) { return ((2u << sud) - 1) & ~1u; }

}  // namespace

int countCands(const Cands& k, int r, int c) {
  int n = 0;
  for (int d = 1; d <= 9; ++d) n += k[r][c][d] == '1';
  return n;
}

// ---- values and the raw candidates they allow ----

namespace fast {

void Values::load(const Board& b) {
  sud = std::clamp(b.sud, 0, 5);
  const unsigned scanned = scannedGrids(sud);
  val.fill(0);
  empty0.fill(0);
  filled.fill(0);
  contra.fill(0);
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) {
      const int x = r * kSize + c;
      const char t1 = b.tab1[r][c], t2 = b.tab2[r][c];
      val[x] = digitBit(t1) | digitBit(t2);
      empty0[x] = t1 == '0' && t2 == '0';
      filled[x] = isDigit(t1) || isDigit(t2);
      contra[x] = (kT.inGrid[x] & scanned) != 0 && !filled[x];
    }
  for (int u = 0; u < kUnits; ++u) {
    Mask m = 0;
    for (int y : kT.unitCells[u]) m |= val[y];
    unitVal[u] = m;
  }
  // Only cells of the grids can have candidates.
  raw.fill(0);
  for (int g = 1; g <= 5; ++g)
    for (int x : kT.gridCells[g]) {
      if (!empty0[x]) continue;
      Mask seen = 0;
      for (int k = 0; k < kT.cellUnitCount[x]; ++k) seen |= unitVal[kT.cellUnits[x][k]];
      raw[x] = static_cast<Mask>(~seen & kAll);
    }
}

void Values::rawCell(int x) {
  if (!empty0[x]) {
    raw[x] = 0;
    return;
  }
  Mask seen = kAll;  // a cell outside every grid is never visited
  if (kT.cellUnitCount[x] != 0) {
    seen = 0;
    for (int k = 0; k < kT.cellUnitCount[x]; ++k) seen |= unitVal[kT.cellUnits[x][k]];
  }
  raw[x] = static_cast<Mask>(~seen & kAll);
}

void Values::set(int x, char t1, char ch) {
  const Mask before = val[x];
  const bool wasEmpty = empty0[x];
  val[x] = digitBit(t1) | digitBit(ch);
  empty0[x] = t1 == '0' && ch == '0';
  filled[x] = isDigit(t1) || isDigit(ch);
  contra[x] = (kT.inGrid[x] & scannedGrids(sud)) != 0 && !filled[x];
  const int n = kT.cellUnitCount[x];
  if ((before & ~val[x]) == 0 && (wasEmpty || !empty0[x])) {
    // A digit only appears: its units gain it and their cells lose it.
    const Mask added = val[x] & ~before;
    for (int k = 0; k < n; ++k) {
      const int u = kT.cellUnits[x][k];
      unitVal[u] |= added;
      for (int y : kT.unitCells[u]) raw[y] = static_cast<Mask>(raw[y] & ~added);
    }
    rawCell(x);
    return;
  }
  for (int k = 0; k < n; ++k) {
    const int u = kT.cellUnits[x][k];
    Mask m = 0;
    for (int y : kT.unitCells[u]) m |= val[y];
    unitVal[u] = m;
  }
  for (int k = 0; k < n; ++k)
    for (int y : kT.unitCells[kT.cellUnits[x][k]]) rawCell(y);
  rawCell(x);
}

bool Values::hasEmptyCell() const {
  // contra is only ever set in the grids scanned.
  bool any = false;
  for (int g = 1; g <= sud; ++g)
    for (int x : kT.gridCells[g]) any |= contra[x] != 0;
  return any;
}

// ---- masks and their char arrays ----

void tallyAll(Tally& t, const std::array<Mask, kCells>& one, int sud) {
  unsigned grids = 0;
  for (int a = 1; a <= sud; ++a) grids |= 1u << a | 1u << kT.alignGrid[a];
  for (int g = 1; g <= 5; ++g) {
    if (!(grids >> g & 1)) continue;
    for (int u = (g - 1) * 27; u < g * 27; ++u) {
      Count c = 0;
      std::uint16_t pairs = 0;
      auto& places = t.places[u];
      places.fill(0);
      for (int k = 0; k < 9; ++k) {
        const Mask m = one[kT.unitCells[u][k]];
        c = countAdd(c, m);
        pairs |= static_cast<std::uint16_t>((pop(m) == 2) << k);
        for (Mask b = m; b; b &= b - 1) places[std::countr_zero(b)] |= static_cast<std::uint16_t>(1u << k);
      }
      t.count[u] = c;
      t.pairCells[u] = pairs;
    }
    for (int x : kT.gridCells[g]) {
      if (kT.segStep[x] % 3 == 0) t.across[x] = one[x] | one[x + 1] | one[x + 2];
      if (kT.segStep[x] < 3) t.down[x] = one[x] | one[x + kSize] | one[x + 2 * kSize];
    }
  }
}

void startPass(Masks& s) {
  s.tallyKnown = false;
  for (auto& g : s.unSeen) g.fill(0xffff);
  s.stirAll();
  s.zeroHit = contradiction(s);
}

void fromRaw(Masks& s) {
  s.one = s.v->raw;
  if (s.hasOdd) s.odd.fill(0);
  s.hasOdd = false;
  s.dirty = true;
  startPass(s);
}

void loadMasks(Masks& s, Cands& k) {
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

void writeMasks(Masks& s) {
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

bool contradiction(const Masks& s) {
  const Values& v = *s.v;
  bool any = false;
  for (int g = 1; g <= v.sud; ++g)
    for (int x : kT.gridCells[g]) any |= v.contra[x] && s.one[x] == 0;
  return any;
}

}  // namespace fast

// ---- the engine's own arrays ----

void Engine::beginCall() {
  cd_.arr = &b_.candid;
  cg_.arr = &b_.candig;
  for (Masks* s : {&cd_, &cg_, &cx_}) {
    s->v = &v_;
    // Whatever the caller did since our last call, the char arrays are unknown.
    s->known = false;
    s->stirAll();
  }
  v_.load(b_);
  basePairsValid_ = false;
}

// Writes ch into tab2 and brings the raw candidates of every peer up to date.
void Engine::setValue(int x, char ch) {
  const int r = x / kSize, c = x % kSize;
  if (b_.tab2[r][c] != ch) basePairsValid_ = false;
  b_.tab2[r][c] = ch;
  v_.set(x, b_.tab1[r][c], ch);
  cd_.stir(x);
  cg_.stir(x);
  cx_.stir(x);
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
      bool possible = v_.empty0[x] && kT.cellUnitCount[x] != 0;
      for (int k = 0; k < kT.cellUnitCount[x] && possible; ++k) possible = !hit[kT.cellUnits[x][k]];
      b_.tab3[r][c] = possible ? dc : '0';
    }
}

Masks& Engine::masksFor(Cands& k) {
  if (&k == &b_.candid) return cd_;
  if (&k == &b_.candig) return cg_;
  cx_.arr = &k;
  return cx_;
}

void Engine::rebuildInto(Masks& s) {
  fromRaw(s);
  lastRaw_ = v_.raw;
  tab3Pending_ = true;
}

void Engine::rebuild(Cands& k) {
  beginCall();
  rebuildInto(masksFor(k));
  syncOut();
}

// tab3 is what the last rebuild's trouver(9) left.
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

}  // namespace qx

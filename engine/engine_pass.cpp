// SPDX-License-Identifier: GPL-3.0-or-later
// The logical pass over one candidate array, the public entries of the four
// methods, and candidat.
#include "engine/engine.h"

namespace qx {

using namespace fast;

namespace fast {

bool logicalPass(Masks& s, bool stopEarly) {
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

TrialResult runTrial(const TrialBase& base, int x, char t1, char ch, Values& work, Masks& m) {
  work = *base.v;
  work.set(x, t1, ch);
  m.v = &work;
  m.one = work.raw;
  if (m.hasOdd) m.odd.fill(0);
  m.hasOdd = false;
  m.dirty = true;
  for (auto& g : m.unSeen) g.fill(0xffff);
  m.stirAll();
  m.zeroHit = contradiction(m);
  // What the pair finder knows of the base holds wherever the raw candidates
  // stayed the same: only units around the cell tried need a new look.
  m.pairs = *base.pairs;
  m.pairsDirty.fill(0);
  m.tally = *base.tally;
  m.tallyKnown = true;
  std::uint64_t seen[(kCells + 63) / 64] = {};  // a cell shares up to six units with x
  for (int k = 0; k < kT.cellUnitCount[x]; ++k)
    for (int y : kT.unitCells[kT.cellUnits[x][k]]) {
      if (work.raw[y] == base.v->raw[y] || (seen[y / 64] >> y % 64 & 1)) continue;
      seen[y / 64] |= 1ull << y % 64;
      for (int k = 0; k < kT.cellGridCount[y]; ++k) m.pairsDirty[kT.cellGrid[y][k]] |= kT.cellGridUnits[y][k];
      tallyCell(m.tally, m.one, y, base.v->raw[y]);
    }
  TrialResult r;
  r.whole = logicalPass(m, true);
  // A dry cell stays dry and sets zeroHit, so a whole pass found none.
  r.dry = !r.whole;
  return r;
}

}  // namespace fast

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

void Engine::candidatK() {
  rebuildInto(cd_);
  for (;;) {
    logicalPass(cd_, false);
    if (trois == 1 && troiseK() == 1) continue;
    return;
  }
}

void Engine::candidat() {
  beginCall();
  candidatK();
  syncOut();
}

}  // namespace qx


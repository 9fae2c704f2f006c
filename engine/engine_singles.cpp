// SPDX-License-Identifier: GPL-3.0-or-later
// Singles: a lone candidate leaves its peers (un), a digit with one place in
// a unit leaves nothing else in its cell (unique).
#include "engine/engine_work.h"

namespace qx::fast {

namespace {

// The three units of each cell of a grid, as bits of its 27 units.
struct UnitBits {
  std::uint32_t bits[81] = {};
};
constexpr UnitBits makeUnitBits() {
  UnitBits t;
  for (int l = 0; l < 81; ++l) t.bits[l] = 1u << lineOf(l) | 1u << columnOf(l) | 1u << domainOf(l);
  return t;
}
constexpr UnitBits kUnitBitsTable = makeUnitBits();
constexpr const std::uint32_t (&kUnitBits)[81] = kUnitBitsTable.bits;

}  // namespace

template <bool Odd>
int unK(Masks& s) {
  int change = 0;
  for (int g = 1; g <= s.v->sud; ++g) {
    // Cells in order; one whose mask goes while an earlier one is handled is
    // looked at in this run, as the loop over all cells would.
    auto& visit = s.unVisit[g];
    for (int l = 0;; ++l) {
      const std::uint64_t ahead0 = l < 64 ? visit[0] >> l << l : 0;
      const std::uint64_t ahead1 = l < 64 ? visit[1] : visit[1] >> (l - 64) << (l - 64);
      if (ahead0)
        l = std::countr_zero(ahead0);
      else if (ahead1)
        l = 64 + std::countr_zero(ahead1);
      else
        break;
      visit[l / 64] &= ~(1ull << l % 64);
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
int uniqueK(Masks& s) {
  needTally(s);
  int change = 0;
  const auto& empty0 = s.v->empty0;
  for (int g = 1; g <= s.v->sud; ++g) {
    // Units whose flags stayed as they were since the last run found nothing
    // to narrow: only cells of the other units can be narrowed now.
    const std::uint32_t dirty = s.uniqueDirty[g] & 0x7ffffff;
    if (!dirty) continue;
    const int ub = (g - 1) * 27;
    // once[u]: digits standing once in unit u; hit[l]: digits that cell l
    // would be narrowed to, being their only place in one of its units.
    Mask once[27], hit[81];
    auto unitOnce = [&](int u) { once[u] = countOnce(s.tally.count[ub + u]); };
    auto cellHit = [&](int l) {
      const int x = kT.gridCells[g][l];
      const Mask m = s.one[x];
      const bool narrowable = empty0[x] && m != 0 && !single(m);
      hit[l] = narrowable ? m & (once[lineOf(l)] | once[columnOf(l)] | once[domainOf(l)]) : 0;
    };
    for (int u = 0; u < 27; ++u) unitOnce(u);
    Mask any = 0;
    for (int l = 0; l < 81; ++l) {
      if (kUnitBits[l] & dirty)
        cellHit(l);
      else
        hit[l] = 0;
      any |= hit[l];
    }
    s.uniqueDirty[g] = 0;
    for (int d = 0; d < 9 && any; ++d) {
      const Mask bit = static_cast<Mask>(1u << d);
      if (!(any & bit)) continue;
      // Only the units of the cells narrowed now look different.
      std::uint32_t changed = 0;
      for (int l = 0; l < 81; ++l)
        if (hit[l] & bit) {
          const int x = kT.gridCells[g][l];
          const Mask before = s.one[x];
          change |= clear<Odd>(s, x, static_cast<Mask>(kAll & ~bit));
          if (s.one[x] != before) changed |= kUnitBits[l];
        }
      if (changed) {
        for (std::uint32_t c = changed; c; c &= c - 1) unitOnce(std::countr_zero(c));
        for (int l = 0; l < 81; ++l)
          if (kUnitBits[l] & changed) cellHit(l);
      }
      any = 0;
      for (int l = 0; l < 81; ++l) any |= hit[l];
    }
    // Narrowings still waiting for an earlier digit: their units stay to be
    // looked at, as the clears marked them; otherwise the grid is settled.
    if (!any) s.uniqueDirty[g] = 0;
  }
  return change;
}

template int unK<false>(Masks&);
template int unK<true>(Masks&);
template int uniqueK<false>(Masks&);
template int uniqueK<true>(Masks&);

}  // namespace qx::fast

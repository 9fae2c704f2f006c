// SPDX-License-Identifier: GPL-3.0-or-later
// Pairs: two digits with the same two places in a unit leave nothing else in
// those cells (hidden pair); two cells holding the same two digits only take
// them from the rest of the unit (naked pair).
#include "engine/engine_work.h"

namespace qx::fast {

namespace {

// Pairs {d1, d2} (as bits of pairIndex) for which the hidden-pair or the
// naked-pair rule would clear some flag of unit u.
template <bool Odd>
std::uint64_t pairsOf(const std::array<Mask, kCells>& one, const std::array<Mask, kCells>& odd, int u) {
  const auto& cells = kT.unitCells[u];
  Mask m[9], live[9];
  Mask once = 0, twice = 0, more = 0, pairCells = 0;
  for (int k = 0; k < 9; ++k) {
    m[k] = one[cells[k]];
    live[k] = m[k];
    if constexpr (Odd) live[k] |= odd[cells[k]];
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

// pairsOf without odd flags, from the tally: a hidden pair is two digits
// standing twice in the same two cells, which hold something else; a naked
// pair two cells of the same two flags, one of which stands a third time.
std::uint64_t pairsOfTally(const Masks& s, int u) {
  const Tally& t = s.tally;
  const Mask two = countTwice(t.count[u]);
  const std::uint16_t cells = t.pairCells[u];
  std::uint64_t res = 0;
  if (two & (two - 1))
    for (Mask e1 = two; e1; e1 &= e1 - 1) {
      const int d1 = std::countr_zero(e1);
      const std::uint16_t at = t.places[u][d1];
      for (Mask e2 = e1 & (e1 - 1); e2; e2 &= e2 - 1) {
        const int d2 = std::countr_zero(e2);
        if (t.places[u][d2] != at) continue;
        const int k1 = std::countr_zero(at), k2 = std::countr_zero(static_cast<unsigned>(at & (at - 1)));
        if (pop(s.one[kT.unitCells[u][k1]]) > 2 || pop(s.one[kT.unitCells[u][k2]]) > 2)
          res |= 1ull << kT.pairIndex[d1][d2];
      }
    }
  if (cells & (cells - 1)) {
    const Mask more = countMore(t.count[u]);
    for (std::uint16_t b = cells & (cells - 1); b; b &= b - 1) {
      const Mask v = s.one[kT.unitCells[u][std::countr_zero(b)]];
      if (!(v & more)) continue;
      bool twin = false;
      for (std::uint16_t e = cells & ((1u << std::countr_zero(b)) - 1); e && !twin; e &= e - 1)
        twin = s.one[kT.unitCells[u][std::countr_zero(e)]] == v;
      if (twin)
        res |= 1ull << kT.pairIndex[std::countr_zero(v)][std::countr_zero(static_cast<Mask>(v & (v - 1)))];
    }
  }
  return res;
}

template <bool Odd>
int applyPair(Masks& s, int u, int d1, int d2) {
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

}  // namespace

void pairsOfRaw(const Values& v, std::array<std::uint64_t, kUnits>& pairs) {
  // Only the grids the pair finder visits.
  for (int a = 1; a <= v.sud; ++a) {
    const int ub = (kT.alignGrid[a] - 1) * 27;
    for (int u = ub; u < ub + 27; ++u) pairs[u] = pairsOf<false>(v.raw, v.raw, u);
  }
}

template <bool Odd>
int coupleK(Masks& s) {
  needTally(s);
  int change = 0;
  for (int a = 1; a <= s.v->sud; ++a) {
    const int g = kT.alignGrid[a], ub = (g - 1) * 27;
    auto active = [&](int u) {
      const std::uint32_t bit = 1u << (u - ub);
      if (s.pairsDirty[g] & bit) {
        if constexpr (Odd)
          s.pairs[u] = pairsOf<true>(s.one, s.odd, u);
        else
          s.pairs[u] = pairsOfTally(s, u);
        s.pairsDirty[g] &= ~bit;
      }
      return s.pairs[u];
    };
    auto all = [&] {
      for (std::uint32_t b = s.pairsDirty[g] & 0x7ffffff; b; b &= b - 1) active(ub + std::countr_zero(b));
      std::uint64_t any = 0;
      for (int v = 0; v < 27; ++v) any |= s.pairs[ub + v];
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

template int coupleK<false>(Masks&);
template int coupleK<true>(Masks&);

}  // namespace qx::fast

// SPDX-License-Identifier: GPL-3.0-or-later
// Alignments: a digit that a domain holds on one line (column) only leaves
// the rest of that line (column) of the grid.
#include "engine/engine_work.h"

namespace qx::fast {

template <bool Odd>
int alignK(Masks& s) {
  int change = 0;
  for (int a = 1; a <= s.v->sud; ++a) {
    const int g = kT.alignGrid[a];
    if (!(s.alignDirty[g] >> 18 & 0x1ff)) continue;
    const int base = (kGrid[g].r0 + 1) * kSize + kGrid[g].c0 + 1;  // cell (i, j) is base + 22 i + j
    // Three-cell segments: rows[3 i + t] is row i in stack t, cols[3 j + t]
    // column j in band t; restRow[3 i + t] is the rest of row i outside stack t
    // (with odd flags when there are any), restCol likewise. Worked out only
    // for the lines and columns of the domains looked at: bit i of rowsKnown
    // and colsKnown.
    Mask rows[27], cols[27], restRow[27], restCol[27];
    unsigned rowsKnown = 0, colsKnown = 0;
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
      rowsKnown |= 1u << i;
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
      colsKnown |= 1u << j;
    };
    for (int band = 0; band < 3; ++band)
      for (int stack = 0; stack < 3; ++stack) {
        // A domain none of whose flags went since it was last looked at has
        // nothing to clear: clearing elsewhere only ever takes alignments away.
        const std::uint32_t domBit = 1u << domainOf(27 * band + 3 * stack);
        if (!(s.alignDirty[g] & domBit)) continue;
        s.alignDirty[g] &= ~domBit;
        for (int y = 0; y < 3; ++y) {
          if (!(rowsKnown >> (3 * band + y) & 1)) rowSegments(3 * band + y);
          if (!(colsKnown >> (3 * stack + y) & 1)) colSegments(3 * stack + y);
        }
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
                // A column's segments change only with its flags (odd ones too).
                const bool hit = clear<Odd>(s, base + i * kSize + j, bit);
                change |= hit;
                if (hit || Odd) colsKnown &= ~(1u << j);
              }
            rowSegments(i);
          }
          for (int y = 0; y < 3; ++y) {
            if (!(effCol[y] & bit)) continue;
            const int j = 3 * stack + y;
            for (int i = 0; i < 9; ++i)
              if (i / 3 != band) {
                const bool hit = clear<Odd>(s, base + i * kSize + j, bit);
                change |= hit;
                if (hit || Odd) rowsKnown &= ~(1u << i);
              }
            colSegments(j);
          }
        }
      }
  }
  return change;
}

template int alignK<false>(Masks&);
template int alignK<true>(Masks&);

}  // namespace qx::fast

// SPDX-License-Identifier: GPL-3.0-or-later
// Alignments: a digit that a domain holds on one line (column) only leaves
// the rest of that line (column) of the grid.
#include "engine/engine_work.h"

namespace qx::fast {

template <bool Odd>
int alignK(Masks& s) {
  needTally(s);
  int change = 0;
  for (int a = 1; a <= s.v->sud; ++a) {
    const int g = kT.alignGrid[a];
    if (!(s.alignDirty[g] >> 18 & 0x1ff)) continue;
    const int base = (kGrid[g].r0 + 1) * kSize + kGrid[g].c0 + 1;  // cell (i, j) is base + 22 i + j
    // Three-cell segments: row k = 3 i + t is row i in stack t, column
    // k = 3 j + t column j in band t, and the rest of that row (column)
    // outside stack (band) t. Without odd flags the tally holds them; with
    // them, the rest counts odd flags too and the segments are worked out
    // here, line by line as the domains need them.
    Mask rows[27], cols[27], restRows[27], restCols[27];
    unsigned rowsKnown = 0, colsKnown = 0;
    auto rowSegments = [&](int i) {
      Mask live[3];
      for (int t = 0; t < 3; ++t) {
        const int x = base + i * kSize + 3 * t;
        rows[3 * i + t] = s.one[x] | s.one[x + 1] | s.one[x + 2];
        live[t] = rows[3 * i + t] | s.odd[x] | s.odd[x + 1] | s.odd[x + 2];
      }
      for (int t = 0; t < 3; ++t) restRows[3 * i + t] = live[(t + 1) % 3] | live[(t + 2) % 3];
      rowsKnown |= 1u << i;
    };
    auto colSegments = [&](int j) {
      Mask live[3];
      for (int t = 0; t < 3; ++t) {
        const int x = base + 3 * t * kSize + j;
        cols[3 * j + t] = s.one[x] | s.one[x + kSize] | s.one[x + 2 * kSize];
        live[t] = cols[3 * j + t] | s.odd[x] | s.odd[x + kSize] | s.odd[x + 2 * kSize];
      }
      for (int t = 0; t < 3; ++t) restCols[3 * j + t] = live[(t + 1) % 3] | live[(t + 2) % 3];
      colsKnown |= 1u << j;
    };
    const auto& across = s.tally.across;
    const auto& down = s.tally.down;
    for (int band = 0; band < 3; ++band)
      for (int stack = 0; stack < 3; ++stack) {
        // A domain none of whose segments lost a digit since it was last
        // looked at has nothing to clear: clearing elsewhere only ever takes
        // alignments away.
        const std::uint32_t domBit = 1u << domainOf(27 * band + 3 * stack);
        if (!(s.alignDirty[g] & domBit)) continue;
        s.alignDirty[g] &= ~domBit;
        // Line y of the domain inside it and outside it, column y likewise.
        Mask row[3], rowRest[3], col[3], colRest[3];
        for (int y = 0; y < 3; ++y) {
          const int i = 3 * band + y, j = 3 * stack + y;
          if constexpr (Odd) {
            if (!(rowsKnown >> i & 1)) rowSegments(i);
            if (!(colsKnown >> j & 1)) colSegments(j);
            row[y] = rows[3 * i + stack];
            rowRest[y] = restRows[3 * i + stack];
            col[y] = cols[3 * j + band];
            colRest[y] = restCols[3 * j + band];
          } else {
            const int r0 = base + i * kSize, c0 = base + j;
            const Mask a0 = across[r0], a1 = across[r0 + 3], a2 = across[r0 + 6];
            const Mask d0 = down[c0], d1 = down[c0 + 3 * kSize], d2 = down[c0 + 6 * kSize];
            row[y] = stack == 0 ? a0 : stack == 1 ? a1 : a2;
            rowRest[y] = static_cast<Mask>((stack == 0 ? 0 : a0) | (stack == 1 ? 0 : a1) | (stack == 2 ? 0 : a2));
            col[y] = band == 0 ? d0 : band == 1 ? d1 : d2;
            colRest[y] = static_cast<Mask>((band == 0 ? 0 : d0) | (band == 1 ? 0 : d1) | (band == 2 ? 0 : d2));
          }
        }
        // Digits found on one line (column) of the domain only, and still
        // standing elsewhere on that line (column) of the grid.
        const Mask effRow[3] = {static_cast<Mask>(row[0] & ~(row[1] | row[2]) & rowRest[0]),
                                static_cast<Mask>(row[1] & ~(row[0] | row[2]) & rowRest[1]),
                                static_cast<Mask>(row[2] & ~(row[0] | row[1]) & rowRest[2])};
        const Mask effCol[3] = {static_cast<Mask>(col[0] & ~(col[1] | col[2]) & colRest[0]),
                                static_cast<Mask>(col[1] & ~(col[0] | col[2]) & colRest[1]),
                                static_cast<Mask>(col[2] & ~(col[0] | col[1]) & colRest[2])};
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
                if constexpr (Odd) colsKnown &= ~(1u << j);
              }
            if constexpr (Odd) rowSegments(i);
          }
          for (int y = 0; y < 3; ++y) {
            if (!(effCol[y] & bit)) continue;
            const int j = 3 * stack + y;
            for (int i = 0; i < 9; ++i)
              if (i / 3 != band) {
                change |= clear<Odd>(s, base + i * kSize + j, bit);
                if constexpr (Odd) rowsKnown &= ~(1u << i);
              }
            if constexpr (Odd) colSegments(j);
          }
        }
      }
  }
  return change;
}

template int alignK<false>(Masks&);
template int alignK<true>(Masks&);

}  // namespace qx::fast

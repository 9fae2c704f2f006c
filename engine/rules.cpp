// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/rules.h"

#include <algorithm>

namespace qx {

bool breaksRule(const Board& b) {
  auto digit = [&](int r, int c) {
    const char v = isDigit(b.tab1[r][c]) ? b.tab1[r][c] : b.tab2[r][c];
    return isDigit(v) ? v - '0' : 0;
  };
  for (int g = 1; g <= std::clamp(b.sud, 0, 5); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int k = 0; k < 9; ++k) {
      unsigned row = 0, col = 0, dom = 0;
      for (int i = 0; i < 9; ++i) {
        const int seen[3] = {digit(r0 + k + 1, c0 + i + 1), digit(r0 + i + 1, c0 + k + 1),
                             digit(r0 + k / 3 * 3 + i / 3 + 1, c0 + k % 3 * 3 + i % 3 + 1)};
        unsigned* sets[3] = {&row, &col, &dom};
        for (int u = 0; u < 3; ++u) {
          if (seen[u] == 0) continue;
          const unsigned bit = 1u << seen[u];
          if (*sets[u] & bit) return true;
          *sets[u] |= bit;
        }
      }
    }
  }
  return false;
}

}  // namespace qx

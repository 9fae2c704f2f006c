// SPDX-License-Identifier: GPL-3.0-or-later
// The solution search: singles placed from the candidates, then two-candidate
// trials, then a sweep of three-candidate trials when everything stalls.
#include <algorithm>

#include "engine/engine.h"

namespace qx {

using namespace fast;

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
    for (int g = 1; g <= v_.sud && !placed; ++g) {
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

    if (!v_.hasEmptyCell()) break;

    if (impoK() == 1) {
      ++placedByTrials;
      if (termine()) return;
      continue;
    }

    // Stall: one more sweep of three-candidate trials, unless the last one
    // led to no single.
    candidatK();
    if (v_.hasEmptyCell() && !(trouv == 1 && trouves == 0)) {
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

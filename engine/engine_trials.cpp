// SPDX-License-Identifier: GPL-3.0-or-later
// Trials: a value tried in a cell, and whether the logical pass then runs a
// cell dry. Three-candidate trials (troise) strike the values that fail;
// two-candidate trials (impo) place the other value when one fails.
#include "engine/engine.h"

namespace qx {

using namespace fast;

// candidat() whose candid nobody will see: only whether a cell runs dry.
bool Engine::trialCandidat() {
  if (trois == 1) {
    candidatK();
    return contradiction(cd_);
  }
  rebuildInto(cd_);
  return !logicalPass(cd_, true) || contradiction(cd_);
}

TrialBase Engine::trialBase() {
  if (!basePairsValid_) {
    pairsOfRaw(v_, basePairs_);
    tallyAll(baseTally_, v_.raw, v_.sud);
    basePairsValid_ = true;
  }
  return {&v_, &basePairs_, &baseTally_};
}

int Engine::troiseK() {
  int change = 0;
  int lastCell = -1;
  bool lastWhole = true;
  for (int g = 1; g <= v_.sud; ++g)
    for (int l = 0; l < 81; ++l) {
      const int x = kT.gridCells[g][l];
      if (v_.filled[x]) continue;
      const Mask values = cd_.one[x];
      if (pop(values) != 3) continue;
      const TrialBase base = trialBase();
      const char t1 = b_.tab1[x / kSize][x % kSize];
      // In increasing order; candig ends with the last one.
      const Mask low = values & -values, high = static_cast<Mask>(1u << (15 - std::countl_zero(values)));
      const Mask bits[3] = {low, static_cast<Mask>(values & ~(low | high)), high};
      TrialResult t[3];
      for (int k = 0; k < 3; ++k) t[k] = runTrial(base, x, t1, digitOf(bits[k]), trialValues_, cg_);
      for (int k = 0; k < 3; ++k)
        if (t[k].dry) {
          // The literal sweep strikes the value while it stands in the cell,
          // so a cell left without candidates does not count as dry here.
          const bool zeroHit = cd_.zeroHit;
          clear<false>(cd_, x, bits[k]);
          cd_.zeroHit = zeroHit;
          cd_.dirty = true;
          change = 1;
        }
      lastCell = x;
      lastWhole = t[2].whole;
      setValue(x, '0');
    }
  trois = 0;
  if (lastCell >= 0) {
    // candig keeps the last trial: work it out to the end if it was cut short.
    if (!lastWhole) {
      fromRaw(cg_);
      logicalPass(cg_, false);
    }
    lastRaw_ = trialValues_.raw;
    tab3Pending_ = true;
  }
  cg_.v = &v_;
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
  for (int g = 1; g <= v_.sud; ++g)
    for (int l = 0; l < 81; ++l) {
      const int x = kT.gridCells[g][l];
      syncOut();
      host_.nessage();
      if (host_.termine() == 1) return 0;
      if (v_.filled[x]) continue;
      const Mask m = cd_.one[x];
      if (pop(m) != 2) continue;
      const char a = digitOf(m & -m), bb = digitOf(m & (m - 1));

      if (trois == 1) {
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
      } else {
        // a that fails decides before b is looked at.
        const char t1 = b_.tab1[x / kSize][x % kSize];
        const TrialBase base = trialBase();
        const bool aDry = runTrial(base, x, t1, a, trialValues_, trialMasks_).dry;
        const bool bDry = !aDry && runTrial(base, x, t1, bb, trialValues_, trialMasks_).dry;
        if (aDry || bDry) {
          setValue(x, aDry ? bb : a);
          candidatK();
          return 1;
        }
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

}  // namespace qx

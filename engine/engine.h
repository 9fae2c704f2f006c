// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The solving engine: candidate rebuild, the four logical methods, the logical
// pass with its three-candidate trials, and the solution search with its
// two-candidate trials. It works in place on a Board and reports only through
// the board, its own flags and the host.
//
// Inside, candidates are 9-bit masks per cell and the char arrays are written
// back whenever someone can look: at the end of every public call and before
// every host call that may paint (nessage, redraw, clearClientArea, the
// failure box). Each public call reads tab1, tab2 and the candidate arrays
// afresh, so callers may change them freely between calls, but a host must
// not change the board from inside a call during a solve.

#include <array>
#include <cstdint>

#include "engine/board.h"
#include "engine/engine_work.h"
#include "engine/host.h"

namespace qx {

// Solve modes of solution().
inline constexpr int kSilent = 0;
inline constexpr int kShown = 1;
inline constexpr int kObvious = 5;

class Engine {
 public:
  Engine(Board& board, SolverHost& host) : b_(board), host_(host) {}

  // Possibility map of digit d into tab3.
  void trouver(int d);
  // The nine possibility maps turned into a candidate array.
  void rebuild(Cands& k);

  // Each method returns 1 when it cleared at least one flag that was set.
  int unique() { return uniqueOn(b_.candid); }
  int un() { return unOn(b_.candid); }
  int align() { return alignOn(b_.candid); }
  int couple() { return coupleOn(b_.candid); }
  // Twins on the trial workspace.
  int unique1() { return uniqueOn(b_.candig); }
  int un1() { return unOn(b_.candig); }
  int align1() { return alignOn(b_.candig); }
  int couple1() { return coupleOn(b_.candig); }

  int uniqueOn(Cands& k);
  int unOn(Cands& k);
  int alignOn(Cands& k);
  int coupleOn(Cands& k);

  // Rebuild into candid, then the logical pass; ends with one sweep of
  // three-candidate trials when trois is set.
  void candidat();
  int troise();
  // Solve in place: mode kSilent, kShown or kObvious.
  void solution(int mode);
  int impo();

  int trois = 0;    // the next logical pass ends with troise
  int trouv = 0;    // the three-candidate trials have been switched on in this solve
  int trouves = 0;  // singles placed since they were last switched on
  int placedByTrials = 0;  // values the two-candidate trials placed in this solve

  Board& board() { return b_; }

 private:
  fast::Masks& masksFor(Cands& k);
  void beginCall();
  void setValue(int x, char ch);
  void rebuildInto(fast::Masks& s);
  void writeTab3();
  void syncOut();
  template <int Method> int method(Cands& k);

  void candidatK();
  bool trialCandidat();
  fast::TrialBase trialBase();
  int troiseK();
  int impoK();
  void solutionK(int mode);

  Board& b_;
  SolverHost& host_;

  fast::Values v_;  // what tab1 and tab2 hold now
  std::array<std::uint64_t, fast::kUnits> basePairs_{};  // the pair finder on v_'s raw candidates
  fast::Tally baseTally_;  // and its tally
  bool basePairsValid_ = false;
  std::array<fast::Mask, fast::kCells> lastRaw_{};   // what the last rebuild gave (tab3 is its digit 9)
  std::array<fast::Mask, fast::kCells> restored_{};  // impo: candid of the board with the trial taken back
  bool tab3Pending_ = false;
  fast::Masks cd_;  // candid
  fast::Masks cg_;  // candig
  fast::Masks cx_;  // any other array handed to a public method
  // The caller's own trials: their boards and candidates.
  fast::Values trialValues_;
  fast::Masks trialMasks_;
};

// Number of candidates of a cell.
int countCands(const Cands& k, int r, int c);

}  // namespace qx

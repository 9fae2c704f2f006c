// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The solving engine written out literally, loop for loop, over the char
// arrays. It is slow and kept only as the yardstick the fast Engine is
// compared with, in tests and benchmarks; the program never links it.

#include "engine/board.h"
#include "engine/engine.h"
#include "engine/host.h"

namespace qx {

class ReferenceEngine {
 public:
  ReferenceEngine(Board& board, SolverHost& host) : b_(board), host_(host) {}

  void trouver(int d);
  void rebuild(Cands& k);

  int unique() { return uniqueOn(b_.candid); }
  int un() { return unOn(b_.candid); }
  int align() { return alignOn(b_.candid); }
  int couple() { return coupleOn(b_.candid); }
  int unique1() { return uniqueOn(b_.candig); }
  int un1() { return unOn(b_.candig); }
  int align1() { return alignOn(b_.candig); }
  int couple1() { return coupleOn(b_.candig); }

  int uniqueOn(Cands& k);
  int unOn(Cands& k);
  int alignOn(Cands& k);
  int coupleOn(Cands& k);

  void candidat();
  int troise();
  void solution(int mode);
  int impo();

  int trois = 0;
  int trouv = 0;
  int trouves = 0;
  int placedByTrials = 0;

  Board& board() { return b_; }

 private:
  void logicalPass(Cands& k);
  bool contradiction(const Cands& k) const;
  bool hasEmptyCell() const;

  Board& b_;
  SolverHost& host_;
};

}  // namespace qx

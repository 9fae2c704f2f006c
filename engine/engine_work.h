// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fast engine's working state. Values: what stands on the board and the
// raw candidates it allows. Masks: one candidate array as 9-bit masks, with
// what the methods remember between their calls inside one logical pass.
// A trial copies the values it branches from and runs on Masks of its own.

#include <array>
#include <cstdint>

#include "engine/board.h"
#include "engine/engine_tables.h"

namespace qx::fast {

struct Values {
  int sud = 0;                              // sub-grids scanned, 0..5
  std::array<Mask, kCells> val{};           // digits standing in tab1 or tab2
  std::array<std::uint8_t, kCells> empty0{};  // tab1 and tab2 both '0'
  std::array<std::uint8_t, kCells> filled{};  // tab1 or tab2 holds '1'..'9'
  std::array<std::uint8_t, kCells> contra{};  // in sub-grids 1..sud and not filled
  std::array<Mask, kUnits> unitVal{};
  std::array<Mask, kCells> raw{};           // what a rebuild gives now

  void load(const Board& b);
  // Cell x now holds t1 in tab1 and ch in tab2: brings every peer's raw
  // candidates up to date.
  void set(int x, char t1, char ch);
  bool hasEmptyCell() const;

 private:
  void rawCell(int x);
};

struct Masks {
  std::array<Mask, kCells> one{};       // flags '1'
  std::array<Mask, kCells> odd{};       // flags neither '0' nor '1' (hand-made arrays only)
  std::array<Mask, kCells> shownOne{};  // what the char array holds, when known
  std::array<Mask, kCells> shownOdd{};
  std::array<std::uint64_t, kUnits> pairs{};  // pairs that would change something in a unit
  std::array<std::uint8_t, kUnits> pairsStale{};
  std::array<std::array<Mask, 81>, 6> unSeen{};  // cell mask when un last handled it, per grid
  const Values* v = nullptr;  // the board these candidates belong to
  Cands* arr = nullptr;
  bool hasOdd = false;
  bool known = false;    // shownOne/shownOdd match the char array
  bool dirty = false;    // the char array needs writing
  bool zeroHit = false;  // an empty cell of sub-grids 1..sud has no candidate left
  // Bit u of grid g: some flag of unit u has gone since align (its domains)
  // or unique (every unit) last found nothing there to clear; a new run
  // finds nothing elsewhere. Bit g of unIdle: un went through grid g and no
  // flag of it has gone since.
  std::array<std::uint32_t, 6> alignDirty{}, uniqueDirty{};
  std::uint8_t unIdle = 0;
  // unique's count of each unit, valid where uniqueDirty is clear.
  std::array<std::array<Mask, 27>, 6> uniqueOnce{};

  void stir(int x) {
    for (int k = 0; k < kT.cellGridCount[x]; ++k) {
      const int g = kT.cellGrid[x][k];
      alignDirty[g] |= kT.cellGridUnits[x][k];
      uniqueDirty[g] |= kT.cellGridUnits[x][k];
      unIdle = static_cast<std::uint8_t>(unIdle & ~(1u << g));
    }
  }
  // Nothing known: every rule must look everywhere.
  void stirAll() {
    alignDirty.fill(~0u);
    uniqueDirty.fill(~0u);
    unIdle = 0;
  }
};

// ---- candidates (engine_candidates.cpp) ----

// Forget what the methods remember: a new pass starts.
void startPass(Masks& s);
// The raw candidates of s.v, as a rebuild leaves them, and a new pass.
void fromRaw(Masks& s);
void loadMasks(Masks& s, Cands& k);
void writeMasks(Masks& s);
// An empty cell of sub-grids 1..sud without candidates.
bool contradiction(const Masks& s);

// ---- the four methods ----
//
// Each visits what the literal loops visit, in the same order, but skips what
// cannot change anything: candidates only ever disappear during a pass, so a
// rule that found nothing to clear stays idle until its own cells change.
// With Odd, flags that are neither '0' nor '1' are cleared like the others
// but never count as a candidate or a change.

template <bool Odd>
inline bool clear(Masks& s, int x, Mask m) {
  const Mask hit = s.one[x] & m;
  bool touched = hit != 0;
  if constexpr (Odd) {
    if (s.odd[x] & m) {
      s.odd[x] = static_cast<Mask>(s.odd[x] & ~m);
      touched = true;
    }
  }
  if (!touched) return false;
  for (int k = 0; k < kT.cellUnitCount[x]; ++k) s.pairsStale[kT.cellUnits[x][k]] = 1;
  if constexpr (Odd) s.stir(x);
  if (!hit) return false;
  if constexpr (!Odd) s.stir(x);
  s.one[x] = static_cast<Mask>(s.one[x] & ~m);
  if (s.one[x] == 0 && s.v->contra[x]) s.zeroHit = true;
  return true;
}

template <bool Odd> int alignK(Masks& s);   // engine_alignments.cpp
template <bool Odd> int coupleK(Masks& s);  // engine_pairs.cpp
// What the pair finder would find in every unit of v's raw candidates.
void pairsOfRaw(const Values& v, std::array<std::uint64_t, kUnits>& pairs);
template <bool Odd> int unK(Masks& s);      // engine_singles.cpp
template <bool Odd> int uniqueK(Masks& s);  // engine_singles.cpp

// ---- the pass (engine_pass.cpp) ----

// Runs the pass to the end, or until a cell runs dry when stopEarly is set;
// returns false in that case.
bool logicalPass(Masks& s, bool stopEarly);

// What a trial's pass on a board with one more value concluded.
struct TrialResult {
  bool whole = true;  // the pass ran to its end
  bool dry = false;   // some empty cell ran out of candidates
};
// Where a trial branches from: the board, and what the pair finder finds in
// its raw candidates (a trial's pass starts from those, changed only around
// the cell tried).
struct TrialBase {
  const Values* v = nullptr;
  const std::array<std::uint64_t, kUnits>* pairs = nullptr;
};
// The pass on the base with cell x set to ch in tab2, stopped at the first dry
// cell; work and m are the trial's own.
TrialResult runTrial(const TrialBase& base, int x, char t1, char ch, Values& work, Masks& m);

}  // namespace qx::fast

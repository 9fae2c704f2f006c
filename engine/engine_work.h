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

// What the rules read of a candidate array's flags '1', kept up to date as
// flags go: per unit, the digits' counts, the cells holding each digit and
// those holding exactly two flags (bit k: its cell k); per three-cell segment
// of a domain, the union of its flags, stored at its first cell (across: on a
// row, down: on a column).
struct Tally {
  std::array<Count, kUnits> count{};
  std::array<std::array<std::uint16_t, 9>, kUnits> places{};
  std::array<std::uint16_t, kUnits> pairCells{};
  std::array<Mask, kCells> across{}, down{};
};
// The tally of the grids the rules visit with sud sub-grids scanned; the
// others' entries are left as they are and never read.
void tallyAll(Tally& t, const std::array<Mask, kCells>& one, int sud);
// What a cell's change did to what the rules read: bit k of onceUnits for
// its unit k, where some digit now stands once; segments when a segment
// through it lost a digit.
struct TallyChange {
  unsigned onceUnits = 0;
  bool segments = false;
};
// Cell x went from before to one[x], a part of it.
inline TallyChange tallyCell(Tally& t, const std::array<Mask, kCells>& one, int x, Mask before) {
  TallyChange change;
  const Mask gone = static_cast<Mask>(before & ~one[x]);
  const bool pairChanged = (pop(before) == 2) != (pop(one[x]) == 2);
  for (int k = 0; k < kT.cellUnitCount[x]; ++k) {
    const int u = kT.cellUnits[x][k];
    if (countTwice(t.count[u]) & gone) change.onceUnits |= 1u << k;
    t.count[u] = countTake(t.count[u], gone);
    for (Mask b = gone; b; b &= b - 1)
      t.places[u][std::countr_zero(b)] &= static_cast<std::uint16_t>(~(1u << kT.cellUnitPos[x][k]));
    if (pairChanged) t.pairCells[u] ^= static_cast<std::uint16_t>(1u << kT.cellUnitPos[x][k]);
  }
  const int a = x - kT.segStep[x] % 3, d = x - kT.segStep[x] / 3 * kSize;
  const Mask across = one[a] | one[a + 1] | one[a + 2], down = one[d] | one[d + kSize] | one[d + 2 * kSize];
  change.segments = across != t.across[a] || down != t.down[d];
  t.across[a] = across;
  t.down[d] = down;
  return change;
}

struct Masks {
  std::array<Mask, kCells> one{};       // flags '1'
  std::array<Mask, kCells> odd{};       // flags neither '0' nor '1' (hand-made arrays only)
  std::array<Mask, kCells> shownOne{};  // what the char array holds, when known
  std::array<Mask, kCells> shownOdd{};
  std::array<std::uint64_t, kUnits> pairs{};  // pairs that would change something in a unit
  std::array<std::array<Mask, 81>, 6> unSeen{};  // cell mask when un last handled it, per grid
  const Values* v = nullptr;  // the board these candidates belong to
  Cands* arr = nullptr;
  bool hasOdd = false;
  bool known = false;    // shownOne/shownOdd match the char array
  bool dirty = false;    // the char array needs writing
  bool zeroHit = false;  // an empty cell of sub-grids 1..sud has no candidate left
  // Bit u of grid g: some flag of unit u has gone since align (its domains)
  // or unique (every unit) last found nothing there to clear, or since the
  // pair finder last looked; a new run finds nothing elsewhere. unVisit[g]:
  // the cells of grid g (bit l of 128) whose mask may differ from unSeen.
  std::array<std::uint32_t, 6> alignDirty{}, uniqueDirty{}, pairsDirty{};
  std::array<std::array<std::uint64_t, 2>, 6> unVisit{};
  Tally tally;
  bool tallyKnown = false;  // tally matches one; worked out when a rule needs it

  // Something of cell x changed: every rule looks there again.
  void stir(int x) {
    stirPairs(x);
    for (int k = 0; k < kT.cellGridCount[x]; ++k) {
      alignDirty[kT.cellGrid[x][k]] |= kT.cellGridUnits[x][k];
      uniqueDirty[kT.cellGrid[x][k]] |= kT.cellGridUnits[x][k];
    }
  }
  // Flags of cell x went: the pair finder and un look there again.
  void stirPairs(int x) {
    for (int k = 0; k < kT.cellGridCount[x]; ++k) {
      const int g = kT.cellGrid[x][k], l = kT.cellGridPlace[x][k];
      pairsDirty[g] |= kT.cellGridUnits[x][k];
      unVisit[g][l / 64] |= 1ull << l % 64;
    }
  }
  // Nothing known: every rule must look everywhere.
  void stirAll() {
    alignDirty.fill(~0u);
    uniqueDirty.fill(~0u);
    pairsDirty.fill(~0u);
    for (auto& v : unVisit) v = {~0ull, (1ull << 17) - 1};
  }
};

// ---- candidates (engine_candidates.cpp) ----

inline void needTally(Masks& s) {
  if (!s.tallyKnown) tallyAll(s.tally, s.one, s.v->sud);
  s.tallyKnown = true;
}
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
bool clearTouched(Masks& s, int x, Mask m);

// Most calls clear nothing: only those that do leave the inline part.
template <bool Odd>
inline bool clear(Masks& s, int x, Mask m) {
  if (!(s.one[x] & m) && !(Odd && (s.odd[x] & m))) return false;
  return clearTouched<Odd>(s, x, m);
}

template <bool Odd>
[[gnu::noinline]] bool clearTouched(Masks& s, int x, Mask m) {
  const Mask hit = s.one[x] & m;
  if constexpr (Odd) s.odd[x] = static_cast<Mask>(s.odd[x] & ~m);
  // Odd flags going only ever take alignments and narrowings away.
  s.stirPairs(x);
  if (!hit) return false;
  const Mask before = s.one[x];
  s.one[x] = static_cast<Mask>(before & ~m);
  if (!s.tallyKnown) {
    s.stir(x);
  } else {
    // A new alignment needs a segment of the domain to lose a digit, a new
    // narrowing a digit left once in a unit.
    const TallyChange change = tallyCell(s.tally, s.one, x, before);
    if (change.segments)
      for (int k = 0; k < kT.cellGridCount[x]; ++k)
        s.alignDirty[kT.cellGrid[x][k]] |= 1u << domainOf(kT.cellGridPlace[x][k]);
    for (unsigned b = change.onceUnits; b; b &= b - 1) {
      const int u = kT.cellUnits[x][std::countr_zero(b)];
      s.uniqueDirty[u / 27 + 1] |= 1u << u % 27;
    }
  }
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
  const Tally* tally = nullptr;  // of v's raw candidates
};
// The pass on the base with cell x set to ch in tab2, stopped at the first dry
// cell; work and m are the trial's own.
TrialResult runTrial(const TrialBase& base, int x, char t1, char ch, Values& work, Masks& m);

}  // namespace qx::fast

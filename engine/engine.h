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
  static constexpr int kCells = kSize * kSize;  // cell (r, c) is r * 22 + c
  static constexpr int kUnits = 5 * 27;         // lines, columns, domains of each grid
  using Mask = std::uint16_t;                   // bit d - 1 for digit d

  // One candidate array as masks, with what the methods remember between
  // their calls inside one logical pass.
  struct Masks {
    std::array<Mask, kCells> one{};   // flags '1'
    std::array<Mask, kCells> odd{};   // flags neither '0' nor '1' (hand-made arrays only)
    std::array<Mask, kCells> shownOne{};  // what the char array holds, when known
    std::array<Mask, kCells> shownOdd{};
    std::array<std::uint64_t, kUnits> pairs{};  // pairs that would change something in a unit
    std::array<std::uint8_t, kUnits> pairsStale{};
    std::array<std::array<Mask, 81>, 6> unSeen{};  // cell mask when un last handled it, per grid
    Cands* arr = nullptr;
    bool hasOdd = false;
    bool known = false;    // shownOne/shownOdd match the char array
    bool dirty = false;    // the char array needs writing
    bool zeroHit = false;  // an empty cell of sub-grids 1..sud has no candidate left
    // Bit g: align, un or unique went through grid g and no flag of it has
    // gone since, so a new run over it would find nothing.
    std::uint8_t alignIdle = 0, unIdle = 0, uniqueIdle = 0;
  };
  void stir(Masks& s, int x) {
    const std::uint8_t keep = static_cast<std::uint8_t>(~gridsOf(x));
    s.alignIdle &= keep;
    s.unIdle &= keep;
    s.uniqueIdle &= keep;
  }
  static std::uint8_t gridsOf(int x);

  Masks& masksFor(Cands& k);
  void beginCall();
  void loadValues();
  void setValue(int x, char ch);
  void rawCell(int x);
  void loadMasks(Masks& s, Cands& k);
  void startPass(Masks& s);
  void rebuildInto(Masks& s);
  void writeMasks(Masks& s);
  void writeTab3();
  void syncOut();

  template <bool Odd> bool clear(Masks& s, int x, Mask m);
  template <bool Odd> std::uint64_t pairsOf(Masks& s, int u) const;
  template <bool Odd> int alignK(Masks& s);
  template <bool Odd> int coupleK(Masks& s);
  template <bool Odd> int applyPair(Masks& s, int u, int d1, int d2);
  template <bool Odd> int unK(Masks& s);
  template <bool Odd> int uniqueK(Masks& s);
  template <int Method> int method(Cands& k);

  // Runs the pass to the end, or until a cell runs dry when stopEarly is set;
  // returns false in that case.
  bool logicalPass(Masks& s, bool stopEarly);
  void candidatK();
  bool trialCandidat();
  int troiseK();
  int impoK();
  void solutionK(int mode);
  bool contradiction(const Masks& s) const;
  bool hasEmptyCell() const;

  Board& b_;
  SolverHost& host_;

  int sud_ = 0;
  std::array<Mask, kCells> val_{};       // digits standing in tab1 or tab2
  std::array<std::uint8_t, kCells> empty0_{};  // tab1 and tab2 both '0'
  std::array<std::uint8_t, kCells> filled_{};  // tab1 or tab2 holds '1'..'9'
  std::array<std::uint8_t, kCells> contra_{};  // in sub-grids 1..sud and not filled
  std::array<Mask, kUnits> unitVal_{};
  std::array<Mask, kCells> raw_{};       // what a rebuild gives now
  std::array<Mask, kCells> lastRaw_{};   // what the last rebuild gave (tab3 is its digit 9)
  std::array<Mask, kCells> restored_{};  // impo: candid of the board with the trial taken back
  bool tab3Pending_ = false;
  Masks cd_;  // candid
  Masks cg_;  // candig
  Masks cx_;  // any other array handed to a public method
};

// Number of candidates of a cell.
int countCands(const Cands& k, int r, int c);

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The field of the complete solver: the cells, units, peers and parts of
// sub-grids 1..sud, and where their lines cross their domains.

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "engine/board.h"

namespace qx {

// The cells and units of sub-grids 1..sud (1 for a Sudoku, 5 for a Quincunx),
// built once per variant. A shared domain is one unit, not two.
class ExactField {
 public:
  static constexpr int kMaxCells = 369;
  // Parts: the cells of corner k (0..3 for grids 1, 2, 4, 5) outside its
  // shared domain, then the rest of the field. A Sudoku is part 4 alone.
  static constexpr int kCentre = 4;

  // The field of a Quincunx for sud 5, else of a Sudoku.
  static const ExactField& of(int sud);

  int sud() const { return sud_; }
  int cells() const { return static_cast<int>(rc_.size()); }
  int row(int x) const { return rc_[x].first; }
  int col(int x) const { return rc_[x].second; }
  // Cell number of (r, c), or -1 outside the sub-grids.
  int index(int r, int c) const { return at_[r][c]; }
  const std::vector<std::array<std::int16_t, 9>>& units() const { return units_; }
  std::span<const std::int16_t> peers(int x) const {
    return {peers_.data() + peerStart_[x], peers_.data() + peerStart_[x + 1]};
  }
  // The units cell x belongs to: two to five.
  std::span<const std::int16_t> unitList(int x) const {
    return {unitList_[x].data(), unitList_[x].data() + unitCount_[x]};
  }
  // Bit u of word u / 64: the same units as bits.
  const std::array<std::uint64_t, 3>& unitsOf(int x) const { return unitsOf_[x]; }
  int part(int x) const { return part_[x]; }
  bool isShared(int x) const { return isShared_[x]; }
  // The nine cells corner k shares with the centre.
  const std::array<std::int16_t, 9>& shared(int k) const { return shared_[k]; }

  // Where a line (row or column) of a grid crosses one of its domains: the
  // three cells they share, and the two other such triples of the line and
  // of the domain, as indices into segments().
  struct Crossing {
    std::int16_t seg, line1, line2, box1, box2;
  };
  const std::vector<std::array<std::int16_t, 3>>& segments() const { return segments_; }
  const std::vector<Crossing>& crossings() const { return crossings_; }
  // Those of grid g (1..sud) alone, and the grids of a cell as bit g - 1.
  const std::vector<std::int16_t>& gridSegments(int g) const { return gridSegments_[g]; }
  std::span<const Crossing> gridCrossings(int g) const {
    return {crossings_.data() + 54 * (g - 1), crossings_.data() + 54 * g};
  }
  std::uint8_t gridsOf(int x) const { return gridsOf_[x]; }

 private:
  explicit ExactField(int sud);

  int sud_;
  std::vector<std::pair<int, int>> rc_;
  std::array<std::array<int, kSize>, kSize> at_;
  std::vector<std::array<std::int16_t, 9>> units_;
  std::vector<std::int16_t> peers_;
  std::vector<int> peerStart_;
  std::vector<std::array<std::uint64_t, 3>> unitsOf_;
  std::vector<std::array<std::int16_t, 5>> unitList_;
  std::vector<std::uint8_t> unitCount_;
  std::vector<int> part_;
  std::vector<char> isShared_;
  std::array<std::array<std::int16_t, 9>, 4> shared_{};
  std::vector<std::array<std::int16_t, 3>> segments_;
  std::vector<Crossing> crossings_;
  std::array<std::vector<std::int16_t>, 6> gridSegments_;
  std::vector<std::uint8_t> gridsOf_;
};

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// The field of the complete solver: cells, units, peers, parts and the
// crossings of lines and domains of sub-grids 1..sud, built once per variant.
#include "engine/exact_field.h"

#include <algorithm>
#include <map>
#include <utility>

namespace qx {

const ExactField& ExactField::of(int sud) {
  static const ExactField quincunx(5), sudoku(1);
  return sud == 5 ? quincunx : sudoku;
}

ExactField::ExactField(int sud) : sud_(sud) {
  for (auto& row : at_) row.fill(-1);
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j)
        if (at_[r0 + i][c0 + j] < 0) {
          at_[r0 + i][c0 + j] = cells();
          rc_.push_back({r0 + i, c0 + j});
        }
  }
  auto at = [&](int r, int c) { return static_cast<std::int16_t>(at_[r][c]); };
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int k = 0; k < 9; ++k) {
      std::array<std::int16_t, 9> line, column, domain;
      for (int x = 0; x < 9; ++x) {
        line[x] = at(r0 + k + 1, c0 + x + 1);
        column[x] = at(r0 + x + 1, c0 + k + 1);
        domain[x] = at(r0 + 3 * (k / 3) + x / 3 + 1, c0 + 3 * (k % 3) + x % 3 + 1);
      }
      units_.push_back(line);
      units_.push_back(column);
      if (std::find(units_.begin(), units_.end(), domain) == units_.end()) units_.push_back(domain);
    }
  }
  unitsOf_.assign(cells(), {});
  unitList_.assign(cells(), {});
  unitCount_.assign(cells(), 0);
  for (std::size_t u = 0; u < units_.size(); ++u)
    for (int x : units_[u]) {
      unitsOf_[x][u / 64] |= std::uint64_t{1} << (u % 64);
      unitList_[x][unitCount_[x]++] = static_cast<std::int16_t>(u);
    }
  std::vector<std::vector<std::int16_t>> peers(cells());
  for (const auto& unit : units_)
    for (int a : unit)
      for (std::int16_t b : unit)
        if (a != b && std::find(peers[a].begin(), peers[a].end(), b) == peers[a].end())
          peers[a].push_back(b);
  for (const auto& p : peers) {
    peerStart_.push_back(static_cast<int>(peers_.size()));
    peers_.insert(peers_.end(), p.begin(), p.end());
  }
  peerStart_.push_back(static_cast<int>(peers_.size()));

  // Segments: three cells of one line inside one domain; a shared domain's
  // segments are the same for both its grids.
  std::map<std::array<std::int16_t, 3>, std::int16_t> segIndex;
  int grid = 0;
  auto segment = [&](std::array<std::int16_t, 3> cells) {
    auto [it, fresh] = segIndex.emplace(cells, static_cast<std::int16_t>(segments_.size()));
    if (fresh) segments_.push_back(cells);
    gridSegments_[grid].push_back(it->second);
    return it->second;
  };
  gridsOf_.assign(cells(), 0);
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    grid = g;
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j) gridsOf_[at_[r0 + i][c0 + j]] |= static_cast<std::uint8_t>(1u << (g - 1));
    // seg[t][i][j][k]: t 0 rows, 1 columns; domain (i, j); k-th line inside it.
    std::int16_t seg[2][3][3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) {
          const int r = r0 + 3 * i + 1, c = c0 + 3 * j + 1;
          seg[0][i][j][k] = segment({at(r + k, c), at(r + k, c + 1), at(r + k, c + 2)});
          seg[1][i][j][k] = segment({at(r, c + k), at(r + 1, c + k), at(r + 2, c + k)});
        }
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) {
          crossings_.push_back({seg[0][i][j][k], seg[0][i][(j + 1) % 3][k], seg[0][i][(j + 2) % 3][k],
                                seg[0][i][j][(k + 1) % 3], seg[0][i][j][(k + 2) % 3]});
          crossings_.push_back({seg[1][i][j][k], seg[1][(i + 1) % 3][j][k], seg[1][(i + 2) % 3][j][k],
                                seg[1][i][j][(k + 1) % 3], seg[1][i][j][(k + 2) % 3]});
        }
  }

  part_.assign(cells(), kCentre);
  isShared_.assign(cells(), 0);
  if (sud == 5) {
    constexpr int corners[4] = {1, 2, 4, 5};
    const auto [cr0, cc0] = kGrid[3];
    for (int k = 0; k < 4; ++k) {
      const auto [r0, c0] = kGrid[corners[k]];
      int n = 0;
      for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 9; ++j) {
          const int r = r0 + i, c = c0 + j;
          if (r > cr0 && r <= cr0 + 9 && c > cc0 && c <= cc0 + 9) {
            shared_[k][n++] = at(r, c);
            isShared_[at_[r][c]] = 1;
          } else {
            part_[at_[r][c]] = k;
          }
        }
    }
  }
}

}  // namespace qx

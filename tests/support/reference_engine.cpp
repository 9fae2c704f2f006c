// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/reference_engine.h"

#include <algorithm>

namespace qx {

namespace {

int gridsScanned(const Board& b) { return std::clamp(b.sud, 0, 5); }

// Top-left cell of the domain that holds (r0+i, c0+j), i and j in 1..9.
int domainStart(int base, int i) { return base + 3 * ((i - 1) / 3); }

}  // namespace


void ReferenceEngine::trouver(int d) {
  const char dc = static_cast<char>('0' + (d & 0xff));
  enum : unsigned char { kUnvisited, kExcluded, kPossible };
  unsigned char state[kSize][kSize] = {};

  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) b_.tab3[r][c] = '0';

  // Always all five sub-grids, whatever sud says: in a Sudoku the others are empty.
  for (int g = 1; g <= 5; ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i) {
      for (int j = 1; j <= 9; ++j) {
        const int r = r0 + i, c = c0 + j;
        if (b_.tab1[r][c] != '0' || b_.tab2[r][c] != '0') continue;
        bool hit = false;
        for (int x = 1; x <= 9 && !hit; ++x)
          hit = b_.tab1[r][c0 + x] == dc || b_.tab2[r][c0 + x] == dc ||
                b_.tab1[r0 + x][c] == dc || b_.tab2[r0 + x][c] == dc;
        const int br = domainStart(r0, i), bc = domainStart(c0, j);
        for (int y = 1; y <= 3 && !hit; ++y)
          for (int x = 1; x <= 3 && !hit; ++x)
            hit = b_.tab1[br + y][bc + x] == dc || b_.tab2[br + y][bc + x] == dc;
        if (hit)
          state[r][c] = kExcluded;
        else if (state[r][c] != kExcluded)
          state[r][c] = kPossible;
      }
    }
  }

  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      if (state[r][c] == kPossible) b_.tab3[r][c] = dc;
}

void ReferenceEngine::rebuild(Cands& k) {
  for (int d = 1; d <= 9; ++d) {
    trouver(d);
    const char dc = static_cast<char>('0' + d);
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c) k[r][c][d] = b_.tab3[r][c] == dc ? '1' : '0';
  }
}

int ReferenceEngine::uniqueOn(Cands& k) {
  int change = 0;
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int d = 1; d <= 9; ++d) {
      for (int i = 1; i <= 9; ++i) {
        for (int j = 1; j <= 9; ++j) {
          const int r = r0 + i, c = c0 + j;
          if (k[r][c][d] != '1') continue;
          int inLine = 0, inColumn = 0, inDomain = 0;
          for (int x = 1; x <= 9; ++x) {
            inLine += k[r][c0 + x][d] == '1';
            inColumn += k[r0 + x][c][d] == '1';
          }
          const int br = domainStart(r0, i), bc = domainStart(c0, j);
          for (int y = 1; y <= 3; ++y)
            for (int x = 1; x <= 3; ++x) inDomain += k[br + y][bc + x][d] == '1';
          if (inLine != 1 && inColumn != 1 && inDomain != 1) continue;
          if (b_.tab1[r][c] != '0' || b_.tab2[r][c] != '0') continue;
          if (countCands(k, r, c) <= 1) continue;
          for (int e = 1; e <= 9; ++e)
            if (e != d) k[r][c][e] = '0';
          change = 1;
        }
      }
    }
  }
  return change;
}

int ReferenceEngine::unOn(Cands& k) {
  int change = 0;
  auto clear = [&](int r, int c, int d) {
    if (k[r][c][d] == '1') change = 1;
    k[r][c][d] = '0';
  };
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i) {
      for (int j = 1; j <= 9; ++j) {
        const int r = r0 + i, c = c0 + j;
        if (countCands(k, r, c) != 1) continue;
        int d = 1;
        while (k[r][c][d] != '1') ++d;
        for (int x = 1; x <= 9; ++x) {
          if (x != i) clear(r0 + x, c, d);
        }
        for (int x = 1; x <= 9; ++x) {
          if (x != j) clear(r, c0 + x, d);
        }
        const int br = domainStart(r0, i), bc = domainStart(c0, j);
        for (int y = 1; y <= 3; ++y)
          for (int x = 1; x <= 3; ++x)
            if (br + y != r || bc + x != c) clear(br + y, bc + x, d);
      }
    }
  }
  return change;
}

int ReferenceEngine::alignOn(Cands& k) {
  int change = 0;
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGridAlign[g];
    for (int band = 0; band <= 2; ++band) {
      for (int stack = 0; stack <= 2; ++stack) {
        for (int d = 1; d <= 9; ++d) {
          int rowR = 0, colC = 0;
          bool found = false, sameRow = true, sameCol = true;
          for (int y = 1; y <= 3; ++y) {
            for (int x = 1; x <= 3; ++x) {
              const int r = r0 + 3 * band + y, c = c0 + 3 * stack + x;
              if (k[r][c][d] != '1') continue;
              if (!found) {
                found = true;
                rowR = r;
                colC = c;
              } else {
                sameRow = sameRow && r == rowR;
                sameCol = sameCol && c == colC;
              }
            }
          }
          if (!found) continue;
          if (sameRow) {
            for (int x = 1; x <= 9; ++x) {
              if ((x - 1) / 3 == stack) continue;
              char& f = k[rowR][c0 + x][d];
              if (f == '1') change = 1;
              f = '0';
            }
          }
          if (sameCol) {
            for (int y = 1; y <= 9; ++y) {
              if ((y - 1) / 3 == band) continue;
              char& f = k[r0 + y][colC][d];
              if (f == '1') change = 1;
              f = '0';
            }
          }
        }
      }
    }
  }
  return change;
}

namespace {

struct Cell {
  int r;
  int c;
  bool operator==(const Cell&) const = default;
};

// Hidden pair, then naked pair, on one unit of nine cells in reading order.
int pairRules(Cands& k, const Cell (&unit)[9], int d1, int d2) {
  int change = 0;

  int n1 = 0, n2 = 0;
  Cell p1[2] = {}, p2[2] = {};
  for (const Cell& u : unit) {
    if (k[u.r][u.c][d1] == '1') {
      if (n1 < 2) p1[n1] = u;
      ++n1;
    }
    if (k[u.r][u.c][d2] == '1') {
      if (n2 < 2) p2[n2] = u;
      ++n2;
    }
  }
  if (n1 == 2 && n2 == 2 && p1[0] == p2[0] && p1[1] == p2[1]) {
    for (const Cell& u : p1) {
      for (int e = 1; e <= 9; ++e) {
        if (e == d1 || e == d2) continue;
        if (k[u.r][u.c][e] == '1') change = 1;
        k[u.r][u.c][e] = '0';
      }
    }
  }

  int matches = 0;
  Cell m[2] = {};
  for (const Cell& u : unit) {
    const auto& f = k[u.r][u.c];
    if (f[d1] != '1' || f[d2] != '1') continue;
    bool other = false;
    for (int e = 1; e <= 9; ++e)
      if (e != d1 && e != d2 && f[e] == '1') other = true;
    if (other) continue;
    if (matches < 2) m[matches] = u;
    ++matches;
  }
  if (matches >= 2) {
    for (const Cell& u : unit) {
      if (u == m[0] || u == m[1]) continue;
      auto& f = k[u.r][u.c];
      if (f[d1] == '1' || f[d2] == '1') change = 1;
      f[d1] = '0';
      f[d2] = '0';
    }
  }
  return change;
}

}  // namespace

int ReferenceEngine::coupleOn(Cands& k) {
  int change = 0;
  Cell unit[9];
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGridAlign[g];
    for (int d1 = 1; d1 <= 9; ++d1) {
      for (int d2 = 1; d2 <= 9; ++d2) {
        if (d2 == d1) continue;
        for (int i = 1; i <= 9; ++i) {
          for (int x = 0; x < 9; ++x) unit[x] = {r0 + i, c0 + x + 1};
          change |= pairRules(k, unit, d1, d2);
        }
        for (int j = 1; j <= 9; ++j) {
          for (int y = 0; y < 9; ++y) unit[y] = {r0 + y + 1, c0 + j};
          change |= pairRules(k, unit, d1, d2);
        }
        for (int band = 0; band <= 2; ++band) {
          for (int stack = 0; stack <= 2; ++stack) {
            for (int x = 0; x < 9; ++x)
              unit[x] = {r0 + 3 * band + x / 3 + 1, c0 + 3 * stack + x % 3 + 1};
            change |= pairRules(k, unit, d1, d2);
          }
        }
      }
    }
  }
  return change;
}

void ReferenceEngine::logicalPass(Cands& k) {
  // Fixed order, and back to the first method after every success.
  for (;;) {
    if (alignOn(k)) continue;
    if (coupleOn(k)) continue;
    if (unOn(k)) continue;
    if (uniqueOn(k)) continue;
    return;
  }
}

void ReferenceEngine::candidat() {
  rebuild(b_.candid);
  for (;;) {
    logicalPass(b_.candid);
    if (trois == 1 && troise() == 1) continue;
    return;
  }
}

bool ReferenceEngine::contradiction(const Cands& k) const {
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j) {
        const int r = r0 + i, c = c0 + j;
        if (isDigit(b_.tab1[r][c]) || isDigit(b_.tab2[r][c])) continue;
        if (countCands(k, r, c) == 0) return true;
      }
  }
  return false;
}

bool ReferenceEngine::hasEmptyCell() const {
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j)
        if (!isDigit(b_.tab1[r0 + i][c0 + j]) && !isDigit(b_.tab2[r0 + i][c0 + j])) return true;
  }
  return false;
}

int ReferenceEngine::troise() {
  int change = 0;
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i) {
      for (int j = 1; j <= 9; ++j) {
        const int r = r0 + i, c = c0 + j;
        if (isDigit(b_.tab1[r][c]) || isDigit(b_.tab2[r][c])) continue;
        if (countCands(b_.candid, r, c) != 3) continue;
        int values[3], n = 0;
        for (int d = 1; d <= 9; ++d)
          if (b_.candid[r][c][d] == '1') values[n++] = d;
        for (int x : values) {
          b_.tab2[r][c] = static_cast<char>('0' + x);
          rebuild(b_.candig);
          logicalPass(b_.candig);
          if (contradiction(b_.candig)) {
            b_.candid[r][c][x] = '0';
            change = 1;
          }
        }
        b_.tab2[r][c] = '0';
      }
    }
  }
  trois = 0;
  return change;
}

int ReferenceEngine::impo() {
  for (int g = 1; g <= gridsScanned(b_); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i) {
      for (int j = 1; j <= 9; ++j) {
        host_.nessage();
        if (host_.termine() == 1) return 0;
        const int r = r0 + i, c = c0 + j;
        if (isDigit(b_.tab1[r][c]) || isDigit(b_.tab2[r][c])) continue;
        if (countCands(b_.candid, r, c) != 2) continue;
        int d = 1;
        while (b_.candid[r][c][d] != '1') ++d;
        const char a = static_cast<char>('0' + d);
        ++d;
        while (b_.candid[r][c][d] != '1') ++d;
        const char bb = static_cast<char>('0' + d);

        b_.tab2[r][c] = a;
        candidat();
        if (contradiction(b_.candid)) {
          b_.tab2[r][c] = bb;
          candidat();
          return 1;
        }
        b_.tab2[r][c] = bb;
        candidat();
        if (contradiction(b_.candid)) {
          b_.tab2[r][c] = a;
          candidat();
          return 1;
        }
        b_.tab2[r][c] = '0';
        candidat();
      }
    }
  }
  return 0;
}

void ReferenceEngine::solution(int mode) {
  trois = 0;
  trouv = 0;
  trouves = 0;
  placedByTrials = 0;
  auto& candid = b_.candid;

  for (;;) {
    if (host_.termine() == 1) return;
    host_.waitCursor();
    if (mode == kObvious)
      rebuild(candid);
    else
      candidat();

    // Naked singles: the whole field, all from the same candidates.
    bool placed = false;
    for (int r = 1; r <= kField; ++r) {
      for (int c = 1; c <= kField; ++c) {
        if (countCands(candid, r, c) != 1) continue;
        int d = 1;
        while (candid[r][c][d] != '1') ++d;
        b_.tab2[r][c] = static_cast<char>('0' + d);
        ++trouves;
        placed = true;
      }
    }
    if (placed) continue;

    // Hidden single: only the first one found.
    placed = false;
    for (int g = 1; g <= gridsScanned(b_) && !placed; ++g) {
      const auto [r0, c0] = kGrid[g];
      for (int d = 1; d <= 9 && !placed; ++d) {
        for (int i = 1; i <= 9 && !placed; ++i) {
          for (int j = 1; j <= 9 && !placed; ++j) {
            const int r = r0 + i, c = c0 + j;
            if (candid[r][c][d] != '1') continue;
            int inLine = 0, inColumn = 0, inDomain = 0;
            for (int x = 1; x <= 9; ++x) {
              inLine += candid[r][c0 + x][d] == '1';
              inColumn += candid[r0 + x][c][d] == '1';
            }
            const int br = domainStart(r0, i), bc = domainStart(c0, j);
            for (int y = 1; y <= 3; ++y)
              for (int x = 1; x <= 3; ++x) inDomain += candid[br + y][bc + x][d] == '1';
            if (inDomain == 1 || inLine == 1 || inColumn == 1) {
              b_.tab2[r][c] = static_cast<char>('0' + d);
              ++trouves;
              placed = true;
            }
          }
        }
      }
    }
    if (placed) continue;

    if (mode == kObvious) {
      host_.nessage();
      if (host_.termine() == 1) return;
      host_.redraw();
      return;
    }

    if (!hasEmptyCell()) break;

    if (impo() == 1) {
      ++placedByTrials;
      if (host_.termine() == 1) return;
      continue;
    }

    // Stall: one more sweep of three-candidate trials, unless the last one
    // led to no single.
    candidat();
    if (hasEmptyCell() && !(trouv == 1 && trouves == 0)) {
      trois = 1;
      trouv = 1;
      trouves = 0;
      continue;
    }
    host_.failureBox(contradiction(candid) ? kTextErroneous : kTextIncomplete);
    break;
  }

  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) b_.tab6[r][c] = b_.tab2[r][c];
  host_.nessage();
  if (host_.termine() == 1) return;
  host_.clearClientArea();
  if (mode == kShown) host_.redraw();
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// Digits, Backspace, Delete, Insert + digit, the Shift highlight, F2, F3 and Ctrl+P.
#include <algorithm>

#include "engine/rules.h"
#include "ui/app.h"

namespace qx {

namespace {
constexpr int kCtrlP = 16;  // the character Ctrl+P types
}  // namespace

void App::onKeyDown(int vk) {
  if (m.fen == 1) return;
  if (vk == kVkF3) {
    openCommand();
  } else if (vk == kVkF2) {
    newCommand();
  } else if (vk == kVkDelete && nxa >= 1 && nxa <= kField && nya >= 1 && nya <= kField) {
    if (b.tab1[nya][nxa] == '0') {
      b.tab2[nya][nxa] = '0';
      candidateRefresh();
    }
    if (m.jou == 0) b.tab1[nya][nxa] = '0';
  }
  shiftHighlight();
}

void App::shiftHighlight() {
  if (!p_.shiftDown() || m.maju != 0) return;
  if (nx < 1 || nx > kField || ny < 1 || ny > kField || isGapCell(ny, nx)) return;
  if (b.su == 1 && (nx > 9 || ny > 9)) return;
  m.maju = 1;
  const char v = b.tab2[nya][nxa] != '0' ? b.tab2[nya][nxa] : b.tab1[nya][nxa];
  if (v == '0') {
    affich();
    return;
  }
  if (isDigit(v)) {
    const int d = v - '0';
    const int h = g.hh, sue = std::min(b.sue, kField);
    for (int r = 1; r <= sue; ++r)
      for (int c = 1; c <= sue; ++c)
        if (b.candid[r][c][d] == '1' && b.candie[r][c][d] == '1')
          dc_.fillRect({(c - 1) * h, (r - 1) * h, c * h, r * h}, colour::kSameDigitCell);
  }
  affich();
}

void App::onKeyUp() {
  if (m.fen == 1) return;
  if (nx < 1 || nx > kField || ny < 1 || ny > kField || isGapCell(ny, nx)) return;
  p_.invalidate();
  m.maju = 0;
}

bool App::won() const {
  for (int g = 1; g <= std::min(b.sud, 5); ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j) {
        const int r = r0 + i, c = c0 + j;
        if (!isDigit(b.tab1[r][c]) && !isDigit(b.tab2[r][c])) return false;
        if (b.tab1[r][c] == '0' && b.tab2[r][c] != b.tab6[r][c]) return false;
      }
  }
  // The reference itself may come from givens that contradict each other.
  return !breaksRule(b);
}

void App::onChar(int ch) {
  if (m.fen == 1) return;
  if (ch == kCtrlP) {
    printCommand();
    return;
  }
  // Outside the field (a pointer that left the window) counts like a gap.
  if (nx < 1 || nx > kField || ny < 1 || ny > kField || isGapCell(ny, nx)) return;
  if (nxa < 1 || nxa > kField || nya < 1 || nya > kField) return;
  const char v = ch == 8 ? '0' : static_cast<char>(ch);
  if (ch != 8 && (ch < '0' || ch > '9')) return;
  if (b.su == 1 && (nxa > 9 || nya > 9)) return;

  if (m.jou == 0) b.tab1[nya][nxa] = v;
  const bool insert = p_.insertDown();
  if (!insert && m.jou == 1 && b.tab1[nya][nxa] == '0') {
    if (m.es == 1 && m.ess >= 2 && nxa == m.nxb && nya == m.nyb) {
      show(texts.entryRefusal(m.lang));
      return;
    }
    char& mark = b.tab7[nya][nxa];
    const char previous = mark;
    b.tab2[nya][nxa] = v;
    if (previous == '1') mark = '0';
    if (m.es == 1) {
      if (nxa != m.nxb || nya != m.nyb) ++m.ess;
      if (m.ess == 1) {
        m.nxb = nxa;
        m.nyb = nya;
        mark = '1';
      } else {
        mark = '2';
      }
    }
    if (won()) show(texts.winMessage(m.nTimer, m.lang));
  }
  if (insert && isDigit(v) && b.candid[nya][nxa][v - '0'] == '1') {
    char& flag = b.candie[nya][nxa][v - '0'];
    flag = flag == '1' ? '0' : '1';
  }
  candidateRefresh();
  p_.invalidate();
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/geometry.h"

#include <algorithm>

#include "texts/texts.h"

namespace qx {

int Geometry::cellFor(int screenHeight) { return (std::min(screenHeight, 1024) - 34) / 21; }

void Geometry::fromScreen(int screenWidth, int screenHeight, const Room& room) {
  sx = screenWidth;
  sy = std::min(screenHeight, 1024);
  hh = cellFor(sy);
  // Panels and a title bar may leave less than the screen: the whole frame
  // stays inside, so the title bar can always be reached.
  if (room.height > 0) hh = std::min(hh, (room.height - room.frameHeight) / 21);
  if (room.width > 0) hh = std::min(hh, (room.width - room.frameWidth) / 21);
  hh = std::max(hh, 8);
  larg = 21 * hh + 6;
  haut = 21 * hh + 25;
  bouty = static_cast<int>(hh * 0.7);

  const int h = hh, b = bouty, half = hh / 2;
  rect[1] = {5, 9 * h + 5, 2 * h - 5, 9 * h + 5 + b};
  rect[2] = {5, 10 * h + 5, 2 * h + 5 - half, 10 * h + 5 + b};
  rect[3] = {5, 11 * h + 5, 2 * h - 5, 11 * h + 5 + b};
  rect[4] = {2 * h + 5, 9 * h + 5, 4 * h - 5, 9 * h + 5 + b};
  rect[5] = {2 * h - 5, 10 * h + 5, 4 * h + 5, 10 * h + 5 + b};
  rect[6] = {2 * h + 5, 11 * h + 5, 4 * h - 5, 11 * h + 5 + b};
  rect[7] = {4 * h + 5, 9 * h + 5, 6 * h, 9 * h + 5 + b};
  rect[8] = {4 * h + half - 5, 10 * h + 5, 6 * h - 5, 10 * h + 5 + b};
  rect[9] = {4 * h, 11 * h + 5, 6 * h - 5, 11 * h + 5 + b};
  rect[10] = {15 * h + 5, 9 * h + 5, 17 * h - 5, 9 * h + 5 + b};
  rect[11] = {15 * h + 5, 11 * h + 5, 17 * h - 5, 11 * h + 5 + b};
  rect[12] = {18 * h + 5, 9 * h + 5, 20 * h - 5, 9 * h + 5 + b};
  rect[13] = {9 * h + half, 15 * h + half, 11 * h + half - 10, 15 * h + half + b};
  rect[14] = {9 * h + half, 16 * h + half, 11 * h + half - 10, 16 * h + half + b};
}

void Geometry::measureLabels(Surface& s, const Texts& texts, int lang) {
  auto offset = [&](int n, std::string_view label) {
    return (rect[n].right - rect[n].left - s.textWidth(label, FontRole::Buttons)) / 2;
  };
  decal[1] = offset(1, texts.text(1, lang));
  decal[2] = offset(2, texts.text(2, lang));
  decal[3] = offset(3, texts.text(3, lang));
  decal[4] = offset(4, texts.text(4, lang));
  decal[5] = offset(5, texts.text(6, lang));
  decal[6] = offset(6, kSolution);
  decal[7] = offset(7, texts.text(7, lang));
  decal[8] = offset(8, texts.text(8, lang));
  decal91 = offset(9, kQuincunx);
  decal92 = offset(9, kSudoku);
  decal[10] = offset(10, texts.text(10, lang));
  decal111 = offset(11, kTest);
  decal112 = offset(11, kNormal);
  decal[12] = offset(12, texts.text(12, lang));
  decal[13] = offset(13, texts.text(0, lang));
  decal[14] = offset(14, kPermut);
  decay = (bouty - s.textHeight(kSudoku, FontRole::Buttons)) / 2;
}

bool Geometry::labelsFit(Surface& s, const Texts& texts) const {
  // The text number of each button's label; -1 for the words of both languages.
  static constexpr int kText[15] = {0, 1, 2, 3, 4, 6, -1, 7, 8, -1, 10, -1, 12, 0, -1};
  auto fits = [&](int n, std::string_view label) {
    return s.textWidth(label, FontRole::Buttons) <= rect[n].right - rect[n].left - 4;
  };
  for (int n = 1; n <= 14; ++n) {
    if (kText[n] >= 0) {
      if (!fits(n, texts.text(kText[n], 0)) || !fits(n, texts.text(kText[n], 1))) return false;
    }
  }
  return fits(6, kSolution) && fits(9, kQuincunx) && fits(9, kSudoku) && fits(11, kTest) &&
         fits(11, kNormal) && fits(14, kPermut);
}

bool onButton(const Rect& r, int px, int py) {
  return r.left <= px && px <= r.right && r.top <= py && py <= r.bottom;
}

int buttonAt(const Geometry& g, int px, int py) {
  for (int n = 1; n <= 14; ++n)
    if (onButton(g.rect[n], px, py)) return n;
  return 0;
}

Point cellAt(const Geometry& g, int px, int py) {
  if (g.hh <= 0) return {0, 0};
  return {px / g.hh + 1, py / g.hh + 1};
}

}  // namespace qx

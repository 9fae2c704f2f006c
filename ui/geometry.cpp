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

std::optional<Text> labelText(int n) {
  switch (n) {
    case button::kData: return Text::kDataButton;
    case button::kPlay: return Text::kPlayButton;
    case button::kCorrect: return Text::kCorrectButton;
    case button::kRecord: return Text::kRecordButton;
    case button::kCandidate: return Text::kCandidateButton;
    case button::kReplay: return Text::kReplayButton;
    case button::kHelp: return Text::kHelpButton;
    case button::kError: return Text::kErrorButton;
    case button::kPartial: return Text::kPartialButton;
    case button::kLanguage: return Text::kLanguageButton;
    default: return std::nullopt;
  }
}

void Geometry::measureLabels(Surface& s, const Texts& texts, int lang) {
  auto offset = [&](int n, std::string_view label) {
    return (rect[n].right - rect[n].left - s.textWidth(label, FontRole::Buttons)) / 2;
  };
  for (int n = 1; n <= button::kCount; ++n)
    if (const auto t = labelText(n)) decal[n] = offset(n, texts.text(*t, lang));
  decal[button::kSolution] = offset(button::kSolution, kSolution);
  decal91 = offset(button::kGame, kQuincunx);
  decal92 = offset(button::kGame, kSudoku);
  decal111 = offset(button::kMode, kTest);
  decal112 = offset(button::kMode, kNormal);
  decal[button::kPermut] = offset(button::kPermut, kPermut);
  decay = (bouty - s.textHeight(kSudoku, FontRole::Buttons)) / 2;
}

bool Geometry::labelsFit(Surface& s, const Texts& texts) const {
  auto fits = [&](int n, std::string_view label) {
    return s.textWidth(label, FontRole::Buttons) <= rect[n].right - rect[n].left - 4;
  };
  for (int n = 1; n <= button::kCount; ++n) {
    const auto t = labelText(n);
    if (t && (!fits(n, texts.text(*t, 0)) || !fits(n, texts.text(*t, 1)))) return false;
  }
  return fits(button::kSolution, kSolution) && fits(button::kGame, kQuincunx) &&
         fits(button::kGame, kSudoku) && fits(button::kMode, kTest) && fits(button::kMode, kNormal) &&
         fits(button::kPermut, kPermut);
}

bool onButton(const Rect& r, int px, int py) {
  return r.left <= px && px <= r.right && r.top <= py && py <= r.bottom;
}

int buttonAt(const Geometry& g, int px, int py) {
  for (int n = 1; n <= button::kCount; ++n)
    if (onButton(g.rect[n], px, py)) return n;
  return 0;
}

Point cellAt(const Geometry& g, int px, int py) {
  if (g.hh <= 0) return {0, 0};
  return {px / g.hh + 1, py / g.hh + 1};
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
// The whole window drawn layer over layer from the state, and the hover
// highlight of the buttons.
#include <algorithm>
#include <initializer_list>
#include <string>

#include "ui/app.h"

namespace qx {

namespace {

// Where a candidate digit sits in its cell: a 3x3 keypad of fractions of h.
int keypad(int h, int index) {
  static constexpr double kFraction[3] = {0.17, 0.42, 0.67};
  return static_cast<int>(h * kFraction[index]);
}

// A cell's character as read, but a control character (a TAB, say) as a
// visible mark: drawn as itself it would be invisible or move the text.
std::string_view cellText(const char& ch) {
  static constexpr std::string_view kPlaceholder = "\xEF\xBF\xBD";  // U+FFFD
  const unsigned char u = static_cast<unsigned char>(ch);
  if (u < 0x20 || u == 0x7F) return kPlaceholder;
  return {&ch, 1};
}

}  // namespace

void drawGridLines(Dc& dc_, int h, int larg, int haut) {
  for (int i = 1; i <= 20; ++i) {
    const int p = i * h;
    if (i == 7 || i == 8 || i == 13 || i == 14) {
      dc_.line(0, p, larg, p);
      dc_.line(p, 0, p, haut);
    } else if (i == 10 || i == 11) {
      // Inside the centre grid only.
      dc_.line(6 * h, p, larg - 6 * h - 4, p);
      dc_.line(p, 6 * h, p, haut - 6 * h - 24);
    } else {
      dc_.line(0, p, 9 * h, p);
      dc_.line(12 * h, p, larg, p);
      dc_.line(p, 0, p, 9 * h);
      dc_.line(p, 12 * h, p, haut);
    }
  }
  // Domain lines, three pixels thick.
  for (int k = 1; k <= 6; ++k) {
    const int p = 3 * k * h;
    if (k == 1 || k == 6) {
      for (int q = p + 1; q <= p + 2; ++q) {
        dc_.line(0, q, 9 * h, q);
        dc_.line(12 * h, q, larg, q);
        dc_.line(q, 0, q, 9 * h);
        dc_.line(q, 12 * h, q, haut);
      }
    } else {
      for (int q = p; q <= p + 2; ++q) {
        dc_.line(0, q, larg, q);
        dc_.line(q, 0, q, haut);
      }
    }
  }
}

void drawFrames(Dc& dc_, int h, int su) {
  const int n = 9 * h, t = 12 * h, f = 21 * h;
  auto hline = [&](int y, int x0, int x1) { dc_.line(x0, y, x1, y); };
  auto vline = [&](int x, int y0, int y1) { dc_.line(x, y0, x, y1); };

  dc_.selectPen(colour::kCornerFrame);
  for (int k = 0; k <= 2; ++k) hline(k, 0, n + 3);
  for (int k = 0; k <= 2; ++k) hline(n + k, 0, n + 3);
  for (int k = 0; k <= 2; ++k) vline(k, 0, n);
  for (int k = 0; k <= 2; ++k) vline(n + k, 0, n);
  if (su != 0) return;

  // The other corner grids: an edge on the far side of the field goes inwards.
  for (int k = 1; k <= 3; ++k) hline(f - k, 0, n + 3);  // bottom-left
  for (int k = 0; k <= 2; ++k) hline(t + k, 0, n);
  for (int k = 0; k <= 2; ++k) vline(k, t, f);
  for (int k = 0; k <= 2; ++k) vline(n + k, t, f);
  for (int k = 1; k <= 3; ++k) hline(f - k, t, f + 3);  // bottom-right
  for (int k = 0; k <= 2; ++k) hline(t + k, t, f);
  for (int k = 1; k <= 3; ++k) vline(f - k, t, f);
  for (int k = 0; k <= 2; ++k) vline(t + k, t, f);
  for (int k = 0; k <= 2; ++k) hline(k, t, f);  // top-right
  for (int k = 0; k <= 2; ++k) hline(n + k, t, f);
  for (int k = 1; k <= 3; ++k) vline(f - k, 0, n);
  for (int k = 0; k <= 2; ++k) vline(t + k, 0, n);

  dc_.selectPen(colour::kCentreFrame);  // the centre grid
  const int c0 = 6 * h, c1 = 15 * h;
  for (int k = 0; k <= 2; ++k) vline(c0 + k, c0, c1);
  for (int k = 0; k <= 2; ++k) vline(c1 + k, c0, c1);
  for (int k = 0; k <= 2; ++k) hline(c0 + k, c0, c1);
  for (int k = 0; k <= 2; ++k) hline(c1 + k, c0, c1 + 3);
}

std::string_view App::label(int n) const {
  if (const auto t = labelText(n)) return texts.text(*t, m.lang);
  switch (n) {
    case button::kSolution: return kSolution;
    case button::kGame: return b.su == 0 ? kSudoku : kQuincunx;
    case button::kMode: return m.es == 0 ? kTest : kNormal;
    default: return kPermut;
  }
}

int App::labelOffset(int n) const {
  if (n == button::kGame) return b.su == 0 ? g.decal92 : g.decal91;
  if (n == button::kMode) return m.es == 0 ? g.decal111 : g.decal112;
  return g.decal[n];
}

void App::drawButton(int n, bool highlighted) {
  const Rect& r = g.rect[n];
  dc_.selectBrush(highlighted ? colour::kButtonFaceHover : colour::kButtonFace);
  dc_.rectangle(r);
  dc_.setTextColor(highlighted ? colour::kButtonLabelHover : colour::kButtonLabel);
  dc_.textOut(r.left + labelOffset(n), r.top + g.decay, label(n));
}

void App::gridLines() { drawGridLines(dc_, g.hh, g.larg, g.haut); }

void App::frames() { drawFrames(dc_, g.hh, b.su); }

void App::affich() {
  const int h = g.hh;
  auto cellRect = [h](int c, int r) { return Rect{(c - 1) * h, (r - 1) * h, c * h, r * h}; };

  if (!isGapCell(nya, nxa) && nxa >= 1 && nya >= 1 && nxa <= kField && nya <= kField)
    dc_.fillRect(cellRect(nxa, nya), colour::kBoardBackground);
  if (!isGapCell(ny, nx) && nx >= 1 && ny >= 1 && nx <= kField && ny <= kField)
    dc_.fillRect(cellRect(nx, ny), colour::kPointerCell);

  dc_.selectFont(FontRole::Digits);
  dc_.setTextColor(colour::kGiven);

  if (b.su == 1) {
    for (const Rect& r : {Rect{12 * h, 0, 21 * h, 9 * h}, Rect{0, 12 * h, 9 * h, 21 * h},
                          Rect{12 * h, 12 * h, 21 * h, 21 * h}, Rect{6 * h, 9 * h, 15 * h, 12 * h},
                          Rect{9 * h, 6 * h, 12 * h, 9 * h}, Rect{9 * h, 12 * h, 12 * h, 15 * h}})
      dc_.fillRect(r, colour::kOutsideSudoku);
  }

  gridLines();
  frames();

  dc_.selectPen(colour::kGridLine);
  const int sue = std::min(b.sue, kField);
  dc_.setTextColor(m.jou == 0 ? colour::kGivenEntered : colour::kGiven);
  for (int r = 1; r <= sue; ++r)
    for (int c = 1; c <= sue; ++c)
      if (b.tab1[r][c] != '0') dc_.textOut((c - 1) * h + 10, (r - 1) * h + 8, cellText(b.tab1[r][c]));

  for (int r = 1; r <= sue; ++r) {
    for (int c = 1; c <= sue; ++c) {
      const char v = b.tab2[r][c];
      Colour colourOf = v == b.tab6[r][c] || m.er != 0 ? colour::kRightValue : colour::kWrongValue;
      if (b.tab7[r][c] == '1') colourOf = colour::kFirstTestValue;
      if (m.es == 1 && b.tab7[r][c] == '2') colourOf = colour::kNextTestValue;
      dc_.setTextColor(colourOf);
      if (v != '0') dc_.textOut((c - 1) * h + 10, (r - 1) * h + 8, cellText(b.tab2[r][c]));
    }
  }

  if (m.cand == 1) {
    dc_.selectFont(FontRole::Small);
    dc_.setTextColor(colour::kCandidate);
    static constexpr char kDigits[] = "0123456789";
    for (int r = 1; r <= sue; ++r)
      for (int c = 1; c <= sue; ++c)
        for (int d = 1; d <= 9; ++d)
          if (b.candid[r][c][d] == '1' && b.candie[r][c][d] == '1')
            dc_.textOut((c - 1) * h + keypad(h, (d - 1) % 3), (r - 1) * h + keypad(h, (d - 1) / 3) - 2,
                        {&kDigits[d], 1});
    dc_.selectFont(FontRole::Digits);
  }

  const int lang = m.lang;
  dc_.selectFont(FontRole::Small);
  dc_.setTextColor(colour::kLegend);
  dc_.textOut(15 * h + 30, 11 * h - h / 2, texts.text(b.su == 0 ? Text::kPlayingQuincunx : Text::kPlayingSudoku, lang));
  dc_.textOut(15 * h + 30, 10 * h, texts.text(m.er == 0 ? Text::kErrorsShown : Text::kErrorsHidden, lang));
  dc_.textOut(15 * h + 100, 11 * h + 5, m.es == 0 ? kModeNormal : kModeTest);

  // The legends above the centre grid, half a cell apart, each line in the
  // colour it speaks of.
  struct Line {
    Text text;
    Colour colour;
  };
  auto legend = [&](std::initializer_list<Line> lines) {
    int k = 0;
    for (const Line& line : lines) {
      dc_.setTextColor(line.colour);
      dc_.textOut(9 * h + 5, k / 2 * h + k % 2 * (h / 2) + 5, texts.text(line.text, lang));
      ++k;
    }
  };
  if (m.jou == 0)
    legend({{Text::kEntryIntroduction, colour::kLegend}, {Text::kEntryOfData, colour::kLegend},
            {Text::kEntryInGreen, colour::kGivenEntered}, {Text::kEntryAtTheEnd, colour::kLegend},
            {Text::kEntryPlay, colour::kLegend}, {Text::kEntryInBlack, colour::kGiven}});
  if (m.es == 1)
    legend({{Text::kTestMode, colour::kLegend}, {Text::kTestFirstViolet, colour::kFirstTestValue},
            {Text::kTestNextBlue, colour::kNextTestValue}, {Text::kTestToQuit, colour::kLegend},
            {Text::kTestMakeNormal, colour::kLegend}});

  dc_.selectFont(FontRole::Buttons);
  for (int n = 1; n <= button::kCount; ++n) drawButton(n, false);

  curseur();
  dc_.selectFont(FontRole::Digits);
}

void App::curseur() {
  if (m.fen == 1) return;
  if (p_.hasFocus()) {
    const Point at = p_.pointerPos();
    x = at.x;
    y = at.y;
  }
  p_.setCursor(buttonAt(g, x, y) != 0 ? CursorShape::Hand : CursorShape::Arrow);
  dc_.selectFont(FontRole::Buttons);
  for (int n = 1; n <= button::kCount; ++n)
    if (onButton(g.rect[n], x, y)) drawButton(n, true);
  dc_.selectBrush(colour::kBoardBackground);
  dc_.selectFont(FontRole::Buttons);
}

}  // namespace qx

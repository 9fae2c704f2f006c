// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Screen geometry: the cell size from the screen, the window size, and the
// fourteen buttons with the offsets that centre their labels.

#include <optional>

#include "platform/platform.h"
#include "texts/text_numbers.h"

namespace qx {

class Texts;

// The fourteen buttons by number: rect[n], command(n).
namespace button {
// The game and mode buttons are labelled with what they switch to.
enum : int {
  kData = 1, kPlay, kCorrect, kRecord, kCandidate, kSolution, kReplay,  // 1..7
  kHelp, kGame, kError, kMode, kPartial, kLanguage, kPermut,            // 8..14
  kCount = kPermut,
};
}  // namespace button

// The text of button n's label in the table of texts; none for the buttons
// labelled alike in both languages.
std::optional<Text> labelText(int n);

struct Geometry {
  int sx = 0;     // screen width
  int sy = 0;     // screen height, at most 1024
  int hh = 0;     // side of one cell
  int larg = 0;   // window width asked for: 21 cells + 6
  int haut = 0;   // window height asked for: 21 cells + 25
  int bouty = 0;  // button height

  Rect rect[15];   // rect[1] .. rect[14]
  int decal[15] = {};  // label offsets of rect1..8, 10, 12, 13, 14
  int decal91 = 0;     // "Quincunx" in rect9
  int decal92 = 0;     // "Sudoku" in rect9
  int decal111 = 0;    // "Test" in rect11
  int decal112 = 0;    // "Normal" in rect11
  int decay = 0;       // vertical offset of every label

  // The cell size for a screen of this height, as the window's size asks.
  static int cellFor(int screenHeight);
  // Cell size, window size and button rectangles for this screen; the cell
  // is made smaller only as far as the whole frame needs to fit its room.
  void fromScreen(int screenWidth, int screenHeight, const Room& room = {});
  // Label offsets, measured in the button font in language lang.
  void measureLabels(Surface& s, const Texts& texts, int lang);
  // Whether every label a button can show, in either language, leaves a
  // free pixel inside the button's outline in the button font.
  bool labelsFit(Surface& s, const Texts& texts) const;
};

// Button under a point, all four edges included; 0 for none. Only the first
// of two overlapping buttons is named.
int buttonAt(const Geometry& g, int px, int py);
bool onButton(const Rect& r, int px, int py);
// Cell under a point: column px / hh + 1, row py / hh + 1.
Point cellAt(const Geometry& g, int px, int py);

}  // namespace qx

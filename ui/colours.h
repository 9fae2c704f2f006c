// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The colours of the window and the printed board, by role, as 0x00BBGGRR.
// Roles that look alike share a value but keep their own name.

#include "platform/platform.h"

namespace qx::colour {

// The board's background is the window's own.
inline constexpr Colour kBoardBackground = kWindowBackground;
inline constexpr Colour kPointerCell = 0xFFC0C0;    // light blue: the cell under the pointer
inline constexpr Colour kSameDigitCell = 0xC0C0FF;  // pink: Shift held, the digit's candidates
inline constexpr Colour kOutsideSudoku = 0x808080;  // grey: the grids a Sudoku leaves out

inline constexpr Colour kGridLine = 0;               // black
inline constexpr Colour kCornerFrame = 0x0000FF;     // red
inline constexpr Colour kCentreFrame = 0xFF0000;     // blue

inline constexpr Colour kButtonFace = 0xC0C0C0;      // silver
inline constexpr Colour kButtonFaceHover = 0;        // black
inline constexpr Colour kButtonLabel = 0;            // black
inline constexpr Colour kButtonLabelHover = rgb(255, 255, 0);  // yellow

// The digits in the cells.
inline constexpr Colour kGiven = 0;                          // black
inline constexpr Colour kGivenEntered = rgb(0, 192, 0);      // green, while the puzzle is entered
inline constexpr Colour kRightValue = rgb(128, 128, 128);    // grey; every value while errors are hidden
inline constexpr Colour kWrongValue = rgb(255, 0, 0);        // red
inline constexpr Colour kFirstTestValue = rgb(192, 0, 255);  // violet
inline constexpr Colour kNextTestValue = rgb(0, 0, 255);     // blue
inline constexpr Colour kCandidate = rgb(255, 0, 0);         // red

// The lines beside the board; those that explain a colour are in it.
inline constexpr Colour kLegend = rgb(192, 0, 0);  // dark red

// The printed board: givens black, the other values grey.
inline constexpr Colour kPrintedGiven = 0;
inline constexpr Colour kPrintedValue = rgb(128, 128, 128);

}  // namespace qx::colour

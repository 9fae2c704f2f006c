// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The puzzle file (*.jeu): an optional hidden clue, then the 27-line grid
// block of the givens. The grid block is shared with the saved state files.

#include <string>
#include <string_view>

#include "engine/board.h"
#include "files/text_reader.h"

namespace qx {

// Reads a grid block by position: separators and line ends are skipped by
// where they stand, whatever they hold. Stops at end of text or after the
// 28th line; cells not reached keep their value.
void readGridBlock(TextReader& in, Grid& g);
// 27 lines of 27 characters, each ended by a line feed.
std::string gridBlock(const Grid& g);

// Stored forms of the clue, as the file carries them.
int encodeClueLine(int v);
char encodeClueDigit(char ce);

// Reads a puzzle's text into tab1 and the clue. A clue that would decode
// outside the field, or to something other than a digit, is dropped (ne = 0).
void lectureText(std::string_view text, Grid& tab1, Clue& clue);
// Reads a puzzle file; when it cannot be read nothing is changed and the
// status says why.
ReadStatus lecture(const std::string& path, Grid& tab1, Clue& clue);

// The puzzle file's text for these givens and clue.
std::string puzzleText(const Grid& tab1, const Clue& clue);

// The variant a puzzle file's name implies: "quincunx..." is a Quincunx (0),
// "sudoku..." a Sudoku (1), anything else keeps the current one.
int variantFromName(std::string_view path, int current);

// The default puzzles beside the executable, whose names say nothing of
// their variant.
inline constexpr const char* kDefaultQuincunx = "quincunn.jeu";
inline constexpr const char* kDefaultSudoku = "quincuno.jeu";
// The variant of a shipped puzzle file: the defaults by name, others as
// variantFromName decides.
int shippedVariant(std::string_view path, int current);

}  // namespace qx

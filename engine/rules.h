// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules a board must keep: no digit twice in a row, a column or a domain
// of any grid the variant uses, counting givens and placed values alike.

#include "engine/board.h"

namespace qx {

// True when some row, column or domain of sub-grids 1..b.sud holds a digit
// twice. A cell's digit is its given, else its placed value.
bool breaksRule(const Board& b);

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt key events in the program's terms: virtual-key codes and the
// characters a key press types.

#include <vector>

class QKeyEvent;

namespace qx {

// The virtual-key code of the key, or 0 for keys the program never sees.
int virtualKey(const QKeyEvent& e);

// The characters the key press types that fit in one byte (Latin-1 without
// the C1 controls), in order.
std::vector<unsigned> typedChars(const QKeyEvent& e);

}  // namespace qx

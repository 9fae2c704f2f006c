// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pages that boards are drawn on, for printing: each page holds one or four
// places, each place a board with a line of text under it. The board is
// drawn through the same Surface as the window, in its own logical pixels.

#include <string_view>

#include "platform/platform.h"

namespace qx {

class Paper {
 public:
  virtual ~Paper() = default;
  // The surface of place slot (0-based) of places (1 or 4, two by two) on
  // the current page, scaled so that a board of size logical pixels fills
  // it and clipped to it; caption is printed under it. Valid until the next
  // call.
  virtual Surface& place(int slot, int places, Point size, std::string_view caption) = 0;
  virtual void newPage() = 0;
  // Ends the document; false when it could not be written.
  virtual bool finish() = 0;
};

}  // namespace qx

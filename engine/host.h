// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the solver needs from the window that runs it. A headless caller uses
// the defaults: nothing to pump, nothing to draw, never terminated.

#include "texts/text_numbers.h"

namespace qx {

// Texts of the two failure boxes a solve can end with.
inline constexpr int kTextErroneous = number(Text::kErroneous);
inline constexpr int kTextIncomplete = number(Text::kIncomplete);

class SolverHost {
 public:
  virtual ~SolverHost() = default;
  // Serve pending paint and close requests; drop everything else.
  virtual void nessage() {}
  // 1 once the window is being destroyed: every solve stops at its next check.
  virtual int termine() const { return 0; }
  virtual void waitCursor() {}
  // Fill the client area with the board background.
  virtual void clearClientArea() {}
  // Redraw the whole board, then the cursor highlight.
  virtual void redraw() {}
  // Show the failure box with this text number as message and title.
  virtual void failureBox(int text) { (void)text; }
};

// A headless host that remembers the failure box a solve ends with instead
// of showing it.
class FailureRecorder : public SolverHost {
 public:
  void failureBox(int text) override { box = text; }
  int box = 0;  // the box's text number; 0 while none was shown
};

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's mode and state flags. The ones the settings file keeps come
// from Settings; the others live only for one run.

#include "files/saved_state.h"

namespace qx {

struct Modes : Settings {
  int jou = 1;      // 0 data entry, 1 play; play at every start
  int maju = 0;     // 1 while the Shift highlight is on the screen
  int fen = 0;      // 1 while the open-file dialog is up
  int termine = 0;  // 1 once the window is being destroyed
};

}  // namespace qx

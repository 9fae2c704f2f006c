// SPDX-License-Identifier: GPL-3.0-or-later
// A puzzle file's text never reads outside the board, and a clue it keeps is
// always one that can be placed.
#include <cstdlib>
#include <string_view>

#include "files/puzzle_file.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  qx::Grid tab1;
  for (auto& row : tab1) row.fill('0');
  qx::Clue clue;
  qx::lectureText(std::string_view(reinterpret_cast<const char*>(data), size), tab1, clue);
  for (int k = 0; k < qx::kSize; ++k)
    if (tab1[0][k] != '0' || tab1[k][0] != '0') std::abort();
  if (clue.ne == 1 && (clue.ie < 1 || clue.ie > 21 || clue.je < 1 || clue.je > 21 ||
                       clue.ce < '1' || clue.ce > '9'))
    std::abort();
  return 0;
}

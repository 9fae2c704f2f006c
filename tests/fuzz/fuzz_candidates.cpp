// SPDX-License-Identifier: GPL-3.0-or-later
// A candidate mask file of any length or content reads without touching
// anything but the flags of digits 1..9 of the field's cells.
#include <cstdlib>
#include <string_view>

#include "files/saved_state.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  static qx::Cands mask;
  qx::candidateMaskText(std::string_view(reinterpret_cast<const char*>(data), size), mask);
  for (int r = 0; r < qx::kSize; ++r)
    for (int c = 0; c < qx::kSize; ++c)
      if (mask[r][c][0] != '1') std::abort();
  for (int k = 0; k < qx::kSize; ++k)
    for (int d = 0; d <= 9; ++d)
      if (mask[0][k][d] != '1' || mask[k][0][d] != '1') std::abort();
  return 0;
}

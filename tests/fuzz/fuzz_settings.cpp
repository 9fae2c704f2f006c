// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever the settings file holds, the values read keep the program inside
// its states.
#include <cstdlib>
#include <string_view>

#include "files/saved_state.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  qx::Settings s;
  int su = -1;
  qx::Grid tab7;
  qx::lecturiText(std::string_view(reinterpret_cast<const char*>(data), size), s, su, tab7);
  auto twoValued = [](int v) { return v == 0 || v == 1; };
  if (!twoValued(su) || !twoValued(s.er) || !twoValued(s.es) || !twoValued(s.cand) ||
      !twoValued(s.lang) || !twoValued(s.candet))
    std::abort();
  if (s.nTimer < 0 || s.ess < 0) std::abort();
  const bool none = s.nxb == 0 && s.nyb == 0;
  const bool inField = s.nxb >= 1 && s.nxb <= 21 && s.nyb >= 1 && s.nyb <= 21;
  if (!none && !inField) std::abort();
  return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PDF file both tools print their boards into.

#include <ostream>
#include <string>
#include <vector>

#include "platform/paper_module.h"
#include "ui/paper.h"

namespace qx {

// The boards (and their solutions) on the pages of file; false, with the
// reason on err, when it could not be written.
inline bool writePdf(const std::string& file, const char* tool, const std::vector<PaperBoard>& boards, bool solutions,
                     std::ostream& err) {
  auto paper = loadPdfPaper(file, "Quincunx", tool, err);
  if (!paper) return false;
  printBoards(*paper, boards, solutions);
  if (paper->finish()) return true;
  err << tool << ": cannot write " << file << "\n";
  return false;
}

}  // namespace qx

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The PDF paper of the command-line tools lives in a module of its own, which
// brings Qt along: the tools load it only when a PDF is asked for, so that
// every other run starts without Qt.

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/paper.h"

// The module's one entry: a new PDF paper on path, or nullptr.
extern "C" {
using QxPdfPaperEntry = qx::Paper* (*)(const char* path, const char* title);
}

namespace qx {

inline constexpr char kPdfPaperEntry[] = "qx_pdf_paper_1";

// The module's paper, looked for beside the executable (a build tree or an
// unpacked folder) and then where the package installs it. When it cannot
// be loaded, "who: cannot load the PDF writer: why" goes to err and the
// result is nullptr.
std::unique_ptr<Paper> loadPdfPaper(const std::string& path, std::string_view title, std::string_view who,
                                    std::ostream& err);

}  // namespace qx

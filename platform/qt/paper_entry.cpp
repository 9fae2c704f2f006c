// SPDX-License-Identifier: GPL-3.0-or-later
// The paper module's entry, the only symbol it exports.
#include <exception>
#include <type_traits>

#include "platform/paper_module.h"
#include "platform/qt/qt_paper.h"

extern "C" __attribute__((visibility("default"))) qx::Paper* qx_pdf_paper_1(const char* path, const char* title) {
  try {
    return qx::pdfPaper(path, title).release();
  } catch (const std::exception&) {
    return nullptr;
  }
}

// The type the loader casts to.
static_assert(std::is_same_v<decltype(&qx_pdf_paper_1), QxPdfPaperEntry>);

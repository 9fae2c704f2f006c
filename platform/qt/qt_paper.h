// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paper on Qt's paged devices: a PDF file (vector), or a printer.

#include <memory>
#include <string>
#include <string_view>

#include "platform/paper.h"

class QPrinter;

namespace qx {

// A PDF file of A4 pages. Without a running Qt application one is started
// offscreen, so command-line tools can print without a display.
std::unique_ptr<Paper> pdfPaper(const std::string& path, std::string_view title);
// The pages of a printer the paper now owns, as a print dialog set it up.
std::unique_ptr<Paper> printerPaper(std::unique_ptr<QPrinter> printer);

}  // namespace qx

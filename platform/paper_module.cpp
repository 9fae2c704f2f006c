// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/paper_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#include "files/exe_dir.h"

namespace qx {

std::unique_ptr<Paper> loadPdfPaper(const std::string& path, std::string_view title, std::string_view who,
                                    std::ostream& err) {
  const std::string dir = executableDirectory();
  const std::string beside = dir + "/" QX_PAPER_MODULE;
  const std::string installed =
      std::filesystem::path(dir + "/" QX_PAPER_INSTALLED "/" QX_PAPER_MODULE).lexically_normal().string();
  // The one found wins; with neither, dlopen says what is missing.
  const std::string& module = access(beside.c_str(), F_OK) == 0 ? beside : installed;
  const auto fail = [&](const std::string& why) {
    err << who << ": cannot load the PDF writer: " << why << "\n";
    return nullptr;
  };
  // Never closed: the paper's code and Qt stay until the process ends.
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return fail(dlerror());
  const auto entry = reinterpret_cast<QxPdfPaperEntry>(dlsym(handle, kPdfPaperEntry));
  if (!entry) return fail(dlerror());
  Paper* paper = entry(path.c_str(), std::string(title).c_str());
  if (!paper) return fail(module + ": no paper made");
  return std::unique_ptr<Paper>(paper);
}

}  // namespace qx

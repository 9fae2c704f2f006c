// SPDX-License-Identifier: GPL-3.0-or-later
// A fuzzed puzzle and state drawn in the real window, offscreen: the input is
// cut at each "@@\n" into the puzzle file, the placed values, the settings and
// the candidate mask; the program starts on them and draws the whole board.
#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

#include "files/saved_state.h"
#include "platform/qt/qt_platform.h"
#include "tests/fuzz/fuzz_folder.h"
#include "ui/app.h"

namespace fs = std::filesystem;

namespace {

const fs::path& folder() { return qx::fuzz::folder("draw"); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: at exit Qt's own statics are already gone.
  new QApplication(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* bytes, std::size_t size) {
  std::string_view data(reinterpret_cast<const char*>(bytes), size);
  const fs::path& dir = folder();
  const char* names[] = {qx::kPuzzleFile, qx::kPlacedFile, qx::kSettingsFile, qx::kMaskFile};
  for (const char* name : names) {
    const std::size_t cut = data.find("@@\n");
    const std::string_view part = data.substr(0, cut);
    std::ofstream(dir / name, std::ios::binary | std::ios::trunc)
        .write(part.data(), static_cast<std::streamsize>(part.size()));
    data = cut == std::string_view::npos ? std::string_view() : data.substr(cut + 3);
  }
  // A platform of its own each time, as a new start of the program has.
  qx::QtPlatform platform;
  qx::App app(platform, dir.string());
  app.startUp();
  // The reference solution as the file brought it, so that every colour of
  // the placed values is reached without a solve.
  app.b.tab6 = app.b.tab1;
  app.m.jou = size % 2;
  app.nx = app.nxa = static_cast<int>(size % 23);
  app.ny = app.nya = static_cast<int>(size / 23 % 23);
  app.affich();
  app.WndProc(qx::kMsgPaint, 0, 0);
  QCoreApplication::processEvents();
  return 0;
}

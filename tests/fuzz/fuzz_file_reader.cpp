// SPDX-License-Identifier: GPL-3.0-or-later
// The real file path: the same bytes stand as each of the five state files
// and as a save's journal, then the start-up's order runs: finish or drop the
// interrupted save, read every file. Nothing but the folder's own state files
// may change, and what is read stays inside the board.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "files/puzzle_file.h"
#include "files/saved_state.h"
#include "tests/fuzz/fuzz_folder.h"

namespace fs = std::filesystem;

namespace {

const fs::path& folder() { return qx::fuzz::folder("reader", "state"); }

void put(const fs::path& p, const char* data, std::size_t size) {
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(data, static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* bytes, std::size_t size) {
  const fs::path& dir = folder();
  const char* data = reinterpret_cast<const char*>(bytes);
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
  for (const char* name : {qx::kPuzzleFile, qx::kPlacedFile, qx::kMaskFile, qx::kTestMaskFile,
                           qx::kSettingsFile, qx::kJournalFile})
    put(dir / name, data, size);
  // A new file a journal may name, and one beside the folder it must not.
  put(dir / "quincunj.jeu.0123456789abcdef.tmp", "new", 3);
  put(dir.parent_path() / "quincunj.jeu.0123456789abcdef.tmp", "outside", 7);

  qx::recoverState(dir.string(), true);
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name != qx::kPuzzleFile && name != qx::kPlacedFile && name != qx::kMaskFile &&
        name != qx::kTestMaskFile && name != qx::kSettingsFile && name != std::string(qx::kJournalFile) + ".bad")
      std::abort();  // a temporary or the journal survived the recovery
  }
  if (!fs::exists(dir.parent_path() / "quincunj.jeu.0123456789abcdef.tmp")) std::abort();

  qx::Board b;
  qx::Clue clue;
  qx::Settings s;
  int su = -1;
  qx::lecture((dir / qx::kPuzzleFile).string(), b.tab1, clue);
  const qx::ReadStatus st = qx::lecturi(dir.string(), s, su, b.tab7);
  qx::lecturf(dir.string(), b.tab2);
  qx::lecturg(dir.string(), b.candie);
  qx::lecturh(dir.string(), b.candif);
  if (su != 0 && su != 1) std::abort();
  if (!st && (s.nTimer != 0 || s.lang != 0)) std::abort();  // a damaged file gives start values
  if (clue.ne == 1 && (clue.ie < 1 || clue.ie > 21 || clue.je < 1 || clue.je > 21 ||
                       clue.ce < '1' || clue.ce > '9'))
    std::abort();
  for (int k = 0; k < qx::kSize; ++k)
    if (b.tab2[0][k] != '0' || b.tab2[k][0] != '0') std::abort();
  return 0;
}

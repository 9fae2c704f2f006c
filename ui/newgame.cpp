// SPDX-License-Identifier: GPL-3.0-or-later
// F2: a new puzzle of a chosen rating, made by the generator and opened as
// the open command opens a file.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>

#include "files/puzzle_file.h"
#include "tools/gen/generator.h"
#include "ui/app.h"

namespace qx {

namespace {

// The largest N of the files PREFIX-N.jeu in a folder, 0 when none.
int lastNumber(const std::filesystem::path& dir, const std::string& prefix) {
  int last = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - 4, 4, ".jeu") != 0)
      continue;
    int n = 0;
    const char* first = name.data() + prefix.size();
    const char* stop = name.data() + name.size() - 4;
    const auto [ptr, err] = std::from_chars(first, stop, n);
    if (err == std::errc() && ptr == stop && n > last) last = n;
  }
  return last;
}

// Created, never over an existing file; 0 when written, else the error.
int writeNew(const std::string& path, const std::string& text) {
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "wbx");
  if (!f) return errno ? errno : EIO;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
  const int why = errno ? errno : EIO;
  if (std::fclose(f) == 0 && written) return 0;
  std::remove(path.c_str());
  return why;
}

}  // namespace

void App::newCommand() {
  if (m.fen != 0) return;
  m.fen = 1;
  const Message question = texts.newQuestion(m.lang);
  const auto names = texts.ratingNames(m.lang);
  const int choice = p_.questionBox(question.text, question.title, {names.begin(), names.end()});
  if (choice >= 0) newPuzzle(b.su, choice);
  p_.invalidate();
  nx = ny = nxa = nya = 1;
  m.maju = 0;
  m.fen = 0;
}

std::string App::newPuzzle(int su, int rating) {
  gen::GenOptions opt;
  opt.su = su == 0 ? 0 : 1;
  opt.rating = static_cast<gen::Rating>(std::clamp(rating, 0, 3));
  const std::uint32_t seed = std::random_device{}();
  std::optional<gen::Puzzle> puzzle;
  p_.setCursor(CursorShape::Wait);
  p_.runAside([&] { puzzle = gen::generate(opt, seed, 1); });
  p_.setCursor(CursorShape::Arrow);
  if (!puzzle) {
    show(texts.newFailed("", m.lang));
    return "";
  }
  // Named as the shipped puzzles are, after every number either folder has.
  const std::string prefix =
      std::string(opt.su == 0 ? "quincunx-" : "sudoku-") + gen::ratingName(opt.rating) + "-";
  const std::filesystem::path dir = std::filesystem::path(state_) / "Jeux";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  int n = std::max(lastNumber(dir, prefix), lastNumber(std::filesystem::path(data_) / "Jeux", prefix));
  std::string path;
  const std::string text = puzzleText(puzzle->tab1, puzzle->clue);
  int why = EEXIST;
  // A number another copy of the program takes meanwhile is skipped.
  for (int attempt = 0; attempt < 100 && why == EEXIST; ++attempt) {
    path = (dir / (prefix + std::to_string(++n) + ".jeu")).string();
    why = writeNew(path, text);
  }
  if (why != 0) {
    show(texts.newFailed(path + "\n" + std::strerror(why), m.lang));
    return "";
  }
  loadPuzzle(path);
  return path;
}

}  // namespace qx

#include "files/saved_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "files/puzzle_file.h"
#include "files/text_reader.h"

namespace qx {

namespace {

void clearGrid(Grid& g) {
  for (auto& row : g) row.fill('0');
}

void fillMask(Cands& k) {
  for (auto& row : k)
    for (auto& cell : row) cell.fill('1');
}

std::string candidateBlocks(const Cands& k) {
  std::string out;
  Grid flags;
  for (int d = 1; d <= 9; ++d) {
    for (int r = 0; r < kSize; ++r)
      for (int c = 0; c < kSize; ++c) flags[r][c] = k[r][c][d];
    out += gridBlock(flags);
    out += '\n';
  }
  return out;
}

std::string digitLine(int v) {
  return std::string(1, static_cast<char>('0' + v)) + "\n";
}

// A value read as "its character minus '0'", the line end skipped.
int readDigit(TextReader& in, int fallback) {
  const int ch = in.get();
  in.get();
  return ch == TextReader::kEof ? fallback : ch - '0';
}

void readNumber(TextReader& in, int& v) {
  if (in.scanInt(v)) in.skipSpace();
}

std::string fileText(const std::string& dir, const char* name) {
  return readFile(dir + "/" + name).value_or(std::string());
}

}  // namespace

std::string ecriture(const Grid& tab1, const Clue& clue) { return puzzleText(tab1, clue); }

std::string ecriturf(const Grid& tab2) { return gridBlock(tab2); }

std::string ecriturg(const Cands& candie) { return candidateBlocks(candie); }

std::string ecriturh(const Cands& candif) { return candidateBlocks(candif); }

std::string ecrituri(const Settings& s, int su, const Grid& tab7) {
  std::string out = std::to_string(s.nTimer) + "\n";
  out += digitLine(su) + digitLine(s.er) + digitLine(s.es);
  out += std::to_string(s.ess) + "\n";
  out += digitLine(s.cand);
  for (int v : {s.nxb, s.nyb, s.lang, s.candet, s.coin}) out += std::to_string(v) + "\n";
  return out + gridBlock(tab7);
}

void lecturfText(std::string_view text, Grid& tab2) {
  clearGrid(tab2);
  TextReader in(text);
  readGridBlock(in, tab2);
}

void candidateMaskText(std::string_view text, Cands& mask) {
  fillMask(mask);
  TextReader in(text);
  // Fixed positions: 27 lines of 28 characters per digit, then the empty line.
  for (int d = 1; d <= 9; ++d) {
    int row = 1;
    for (int line = 1; line <= 27; ++line) {
      int col = 1;
      for (int p = 1; p <= 28; ++p) {
        const int ch = in.get();
        if (ch == TextReader::kEof) return;
        if (line % 4 != 0 && p % 4 != 0 && p != 28) mask[row][col++][d] = static_cast<char>(ch);
      }
      if (line % 4 != 0) ++row;
    }
    if (in.get() == TextReader::kEof) return;
  }
}

void lecturiText(std::string_view text, Settings& s, int& su, Grid& tab7) {
  s = Settings{};
  su = 0;
  clearGrid(tab7);
  TextReader in(text);
  readNumber(in, s.nTimer);
  su = readDigit(in, 0);
  s.er = readDigit(in, 0);
  s.es = readDigit(in, 0);
  readNumber(in, s.ess);
  s.cand = readDigit(in, 0);
  for (int* v : {&s.nxb, &s.nyb, &s.lang, &s.candet, &s.coin}) readNumber(in, *v);
  readGridBlock(in, tab7);

  // A damaged file must not put the program in a state it cannot be in.
  const Settings start;
  auto twoValued = [](int& v, int startValue) {
    if (v != 0 && v != 1) v = startValue;
  };
  twoValued(su, 0);
  twoValued(s.er, start.er);
  twoValued(s.es, start.es);
  twoValued(s.cand, start.cand);
  twoValued(s.lang, start.lang);
  twoValued(s.candet, start.candet);
  if (s.nTimer < 0) s.nTimer = start.nTimer;
  if (s.ess < 0) s.ess = start.ess;
  const bool none = s.nxb == 0 && s.nyb == 0;
  const bool inField = s.nxb >= 1 && s.nxb <= kField && s.nyb >= 1 && s.nyb <= kField;
  if (!none && !inField) {
    s.nxb = start.nxb;
    s.nyb = start.nyb;
  }
}

void lecturf(const std::string& dir, Grid& tab2) { lecturfText(fileText(dir, kPlacedFile), tab2); }

void lecturg(const std::string& dir, Cands& candie) {
  candidateMaskText(fileText(dir, kMaskFile), candie);
}

void lecturh(const std::string& dir, Cands& candif) {
  candidateMaskText(fileText(dir, kTestMaskFile), candif);
}

void lecturi(const std::string& dir, Settings& s, int& su, Grid& tab7) {
  lecturiText(fileText(dir, kSettingsFile), s, su, tab7);
}

namespace {

// Writes text to path completely and durably, or says why not.
bool writeWhole(const std::string& path, const std::string& text, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fflush(f) == 0 && ok;
  ok = ok && ::fsync(fileno(f)) == 0;
  const int savedErrno = errno;
  ok = std::fclose(f) == 0 && ok;
  if (!ok) error = path + ": " + std::strerror(errno ? errno : savedErrno);
  return ok;
}

}  // namespace

SaveResult saveState(const std::string& dir, const Board& b, const Clue& clue, const Settings& s) {
  const std::pair<const char*, std::string> files[] = {
      {kPuzzleFile, ecriture(b.tab1, clue)},
      {kPlacedFile, ecriturf(b.tab2)},
      {kMaskFile, ecriturg(b.candie)},
      {kTestMaskFile, ecriturh(b.candif)},
      {kSettingsFile, ecrituri(s, b.su, b.tab7)},
  };
  SaveResult result;
  int written = 0;
  for (const auto& [name, text] : files) {
    if (!writeWhole(dir + "/" + name + ".tmp", text, result.error)) break;
    ++written;
  }
  if (written < 5) {
    for (int i = 0; i <= written && i < 5; ++i) std::remove((dir + "/" + files[i].first + ".tmp").c_str());
    result.ok = false;
    return result;
  }
  for (const auto& [name, text] : files) {
    const std::string target = dir + "/" + name;
    if (std::rename((target + ".tmp").c_str(), target.c_str()) != 0) {
      result.ok = false;
      result.error = target + ": " + std::strerror(errno);
      return result;
    }
  }
  return result;
}

}  // namespace qx

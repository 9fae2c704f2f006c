// SPDX-License-Identifier: GPL-3.0-or-later
// The layouts of the five state files, as the program writes and reads them,
// and their save as one set.
#include "files/saved_state.h"

#include <sys/stat.h>
#include <vector>

#include "files/file_ops.h"
#include "files/puzzle_file.h"
#include "files/text_reader.h"

namespace qx {

namespace {

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
int readDigit(TextReader& in, int fallback, bool& intact) {
  const int ch = in.get();
  intact = intact && ch != TextReader::kEof && in.get() == '\n';
  return ch == TextReader::kEof ? fallback : ch - '0';
}

void readNumber(TextReader& in, int& v, bool& intact) {
  if (in.scanInt(v))
    in.skipSpace();
  else
    intact = false;
}

// The file's text, or "" when it is missing or cannot be read.
ReadStatus fileText(const std::string& dir, const char* name, std::string& text) {
  ReadStatus st = readFile(dir + "/" + name, text);
  if (st.missing) {
    // Nothing recorded yet: start values, and nothing to tell.
    st.ok = true;
    st.why.clear();
  }
  return st;
}

// A file read with parse into what it fills.
template <class T>
ReadStatus readInto(const std::string& dir, const char* name, T& into, void (*parse)(std::string_view, T&)) {
  std::string text;
  const ReadStatus st = fileText(dir, name, text);
  parse(text, into);
  return st;
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

bool lecturiText(std::string_view text, Settings& s, int& su, Grid& tab7) {
  s = Settings{};
  su = 0;
  clearGrid(tab7);
  TextReader in(text);
  bool intact = true;
  readNumber(in, s.nTimer, intact);
  su = readDigit(in, 0, intact);
  s.er = readDigit(in, 0, intact);
  s.es = readDigit(in, 0, intact);
  readNumber(in, s.ess, intact);
  s.cand = readDigit(in, 0, intact);
  for (int* v : {&s.nxb, &s.nyb, &s.lang, &s.candet, &s.coin}) readNumber(in, *v, intact);
  readGridBlock(in, tab7);

  // A damaged file must not put the program in a state it cannot be in.
  const Settings start;
  auto twoValued = [&](int& v, int startValue) {
    if (v == 0 || v == 1) return;
    v = startValue;
    intact = false;
  };
  twoValued(su, 0);
  twoValued(s.er, start.er);
  twoValued(s.es, start.es);
  twoValued(s.cand, start.cand);
  twoValued(s.lang, start.lang);
  twoValued(s.candet, start.candet);
  if (s.nTimer < 0 || s.ess < 0) intact = false;
  if (s.nTimer < 0) s.nTimer = start.nTimer;
  if (s.ess < 0) s.ess = start.ess;
  const bool none = s.nxb == 0 && s.nyb == 0;
  const bool inField = s.nxb >= 1 && s.nxb <= kField && s.nyb >= 1 && s.nyb <= kField;
  if (!none && !inField) {
    s.nxb = start.nxb;
    s.nyb = start.nyb;
    intact = false;
  }
  return intact;
}

ReadStatus lecturf(const std::string& dir, Grid& tab2) { return readInto(dir, kPlacedFile, tab2, lecturfText); }

ReadStatus lecturg(const std::string& dir, Cands& candie) {
  return readInto(dir, kMaskFile, candie, candidateMaskText);
}

ReadStatus lecturh(const std::string& dir, Cands& candif) {
  return readInto(dir, kTestMaskFile, candif, candidateMaskText);
}

ReadStatus lecturi(const std::string& dir, Settings& s, int& su, Grid& tab7) {
  std::string text;
  ReadStatus st = fileText(dir, kSettingsFile, text);
  if (st.missing) text.clear();
  if (!lecturiText(text, s, su, tab7) && st.ok && !st.missing) {
    // Half of a damaged settings file is worse than none: start values.
    lecturiText("", s, su, tab7);
    st.ok = false;
    st.why = "its settings are not those the program writes";
  }
  return st;
}

namespace {

// The puzzle file is there: a failed save leaves a record behind it.
bool hasRecord(const std::string& dir) {
  struct stat st {};
  return fileOps().lstat((dir + "/" + kPuzzleFile).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         st.st_size > 0;
}

}  // namespace

const FileSet& stateFiles() {
  static const FileSet set{{kPuzzleFile, kPlacedFile, kMaskFile, kTestMaskFile, kSettingsFile}, kJournalFile};
  return set;
}

Recovery recoverState(const std::string& dir, bool setAsideBlocking) {
  return recoverWrite(dir, stateFiles(), setAsideBlocking);
}

SaveResult putInPlace(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& files,
                      const std::vector<std::string>& keepAside) {
  SaveResult result;
  result.previous = hasRecord(dir);
  static_cast<WriteResult&>(result) = writeAllOrNone(dir, stateFiles(), files, keepAside);
  return result;
}

std::vector<std::pair<std::string, std::string>> stateTexts(const Board& b, const Clue& clue, const Settings& s) {
  const std::string texts[5] = {ecriture(b.tab1, clue), ecriturf(b.tab2), ecriturg(b.candie),
                                ecriturh(b.candif), ecrituri(s, b.su, b.tab7)};
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 5; ++i) files.emplace_back(stateFiles().names[i], texts[i]);
  return files;
}

SaveResult saveState(const std::string& dir, const Board& b, const Clue& clue, const Settings& s,
                     const std::vector<std::string>& keepAside) {
  return putInPlace(dir, stateTexts(b, clue, s), keepAside);
}

}  // namespace qx

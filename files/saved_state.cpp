// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/saved_state.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "files/file_ops.h"

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

ReadStatus lecturf(const std::string& dir, Grid& tab2) {
  std::string text;
  const ReadStatus st = fileText(dir, kPlacedFile, text);
  lecturfText(text, tab2);
  return st;
}

ReadStatus lecturg(const std::string& dir, Cands& candie) {
  std::string text;
  const ReadStatus st = fileText(dir, kMaskFile, text);
  candidateMaskText(text, candie);
  return st;
}

ReadStatus lecturh(const std::string& dir, Cands& candif) {
  std::string text;
  const ReadStatus st = fileText(dir, kTestMaskFile, text);
  candidateMaskText(text, candif);
  return st;
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

// Saving. All five files or none: the new files are written under unique
// names and made durable, then a journal naming them; once the journal is on
// disk the save counts as done and is rolled forward, now or at the next
// start. Before the journal is complete, nothing has replaced anything.
namespace {

constexpr const char* kStateFiles[5] = {kPuzzleFile, kPlacedFile, kMaskFile, kTestMaskFile,
                                        kSettingsFile};
// Version 2 adds each new file's inode, by which a later start knows that a
// missing temporary is the file now in place.
constexpr const char* kJournalHead = "quincunx journal 2";
constexpr const char* kJournalHead1 = "quincunx journal 1";
constexpr std::string_view kJournalStem = "quincunx journal ";

bool isStateFile(std::string_view name) {
  for (const char* f : kStateFiles)
    if (name == f) return true;
  return false;
}

// NAME.<16 hex digits>.tmp, for one of the five names.
bool isTempOf(std::string_view tmp, std::string_view target) {
  if (tmp.size() != target.size() + 1 + 16 + 4 || !tmp.starts_with(target) ||
      tmp[target.size()] != '.' || !tmp.ends_with(".tmp"))
    return false;
  for (char ch : tmp.substr(target.size() + 1, 16))
    if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f'))) return false;
  return true;
}

std::string tempName(const char* target) {
  static std::mt19937_64 rng{std::random_device{}() ^ (static_cast<std::uint64_t>(::getpid()) << 32)};
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(rng()));
  return std::string(target) + "." + hex + ".tmp";
}

std::string why(const std::string& what) { return what + ": " + reason(errno); }

struct Entry {
  std::string target, tmp;
  bool keepAside = false;    // the file now there goes to NAME.bad first
  unsigned long long ino = 0;  // of the new file; 0 in a journal of version 1
};

bool exists(const std::string& path) {
  struct stat st {};
  return fileOps().lstat(path.c_str(), &st) == 0;
}

bool syncFolder(const std::string& dir, std::string& error) {
  const FileOps& os = fileOps();
  const int fd = os.open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) {
    error = why(dir);
    return false;
  }
  const bool ok = os.fsync(fd) == 0;
  if (!ok) error = why(dir);
  os.close(fd);
  return ok;
}

// Creates path (never through a planted link, never over an existing file)
// with text, durably; ino receives the new file's inode.
bool writeNew(const std::string& path, const std::string& text, std::string& error,
              unsigned long long* ino = nullptr) {
  const FileOps& os = fileOps();
  const int fd = os.open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = why(path);
    return false;
  }
  bool ok = true;
  if (ino) {
    struct stat st {};
    ok = os.fstat(fd, &st) == 0;
    if (!ok) error = why(path);
    *ino = st.st_ino;
  }
  std::size_t done = 0;
  while (ok && done < text.size()) {
    const ssize_t n = os.write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      error = why(path);
      ok = false;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  if (ok && os.fsync(fd) != 0) {
    error = why(path);
    ok = false;
  }
  if (os.close(fd) != 0 && ok) {
    error = why(path);
    ok = false;
  }
  return ok;
}

std::string journalText(const std::vector<Entry>& entries) {
  std::string out = std::string(kJournalHead) + "\n";
  for (const Entry& e : entries)
    out += e.target + " " + e.tmp + (e.keepAside ? " bad " : " - ") + std::to_string(e.ino) + "\n";
  return out + "end\n";
}

// The entries of a complete journal; false for anything else (a journal cut
// short by a crash, or one the program did not write).
bool parseJournal(const std::string& text, std::vector<Entry>& entries) {
  entries.clear();
  std::size_t pos = 0;
  auto line = [&](std::string& out) {
    const std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) return false;
    out = text.substr(pos, end - pos);
    pos = end + 1;
    return true;
  };
  std::string l;
  if (!line(l) || (l != kJournalHead && l != kJournalHead1)) return false;
  const bool withInodes = l == kJournalHead;
  for (;;) {
    if (!line(l)) return false;
    if (l == "end") break;
    std::vector<std::string> f;
    for (std::size_t a = 0; a <= l.size();) {
      const std::size_t b = std::min(l.find(' ', a), l.size());
      f.push_back(l.substr(a, b - a));
      a = b + 1;
    }
    if (f.size() != (withInodes ? 4u : 3u) || !isStateFile(f[0]) || !isTempOf(f[1], f[0]) ||
        (f[2] != "bad" && f[2] != "-"))
      return false;
    Entry e{f[0], f[1], f[2] == "bad"};
    if (withInodes) {
      if (f[3].empty() || f[3].size() > 19 || f[3].find_first_not_of("0123456789") != std::string::npos)
        return false;
      e.ino = std::stoull(f[3]);
    }
    entries.push_back(std::move(e));
  }
  return pos == text.size() && !entries.empty() && entries.size() <= 5;
}

enum class Roll { done, unfinished, lost };

// Puts every new file named by a complete journal in place, then drops the
// journal. Safe to repeat after a crash at any point of it. A temporary
// counts as already in place only when it is gone and the target is that
// very file; any other doubt stops it with the journal kept.
Roll rollForward(const std::string& dir, const std::vector<Entry>& entries, std::string& error) {
  const FileOps& os = fileOps();
  bool ok = true;
  for (const Entry& e : entries) {
    const std::string tmp = dir + "/" + e.tmp, target = dir + "/" + e.target;
    struct stat st {};
    if (os.lstat(tmp.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        error = why(tmp);
        return Roll::unfinished;
      }
      struct stat held {};
      if (os.lstat(target.c_str(), &held) != 0) {
        if (errno != ENOENT) {
          error = why(target);
          return Roll::unfinished;
        }
      } else if (S_ISREG(held.st_mode) && (e.ino == 0 || held.st_ino == e.ino)) {
        continue;  // already in place
      }
      error = tmp + ": " + reason(ENOENT);
      return Roll::lost;
    }
    if (e.keepAside && exists(target) && os.rename(target.c_str(), (target + ".bad").c_str()) != 0) {
      error = why(target + ".bad");
      ok = false;
      continue;
    }
    if (os.rename(tmp.c_str(), target.c_str()) != 0) {
      error = why(target);
      ok = false;
    }
  }
  if (!ok || !syncFolder(dir, error)) return Roll::unfinished;
  const std::string journal = dir + "/" + kJournalFile;
  if (os.unlink(journal.c_str()) != 0 && errno != ENOENT) {
    error = why(journal);
    return Roll::unfinished;
  }
  return Roll::done;
}

void removeTemps(const std::string& dir, const std::vector<Entry>& entries) {
  for (const Entry& e : entries) fileOps().unlink((dir + "/" + e.tmp).c_str());
}

void removeStrayTemps(const std::string& dir) {
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(dir, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    for (const char* f : kStateFiles)
      if (isTempOf(name, f)) fileOps().unlink((dir + "/" + name).c_str());
  }
}

// Moves path out of the way as path.bad, or path.N.bad when a folder of that
// name is already there.
bool setAside(const std::string& path, std::string& error) {
  for (int n = 0; n < 10; ++n) {
    const std::string bad = n == 0 ? path + ".bad" : path + "." + std::to_string(n) + ".bad";
    if (fileOps().rename(path.c_str(), bad.c_str()) == 0) return true;
    if (errno != EISDIR && errno != ENOTDIR && errno != ENOTEMPTY && errno != EEXIST) break;
  }
  error = why(path);
  return false;
}

// The puzzle file is there: a failed save leaves a record behind it.
bool hasRecord(const std::string& dir) {
  struct stat st {};
  return fileOps().lstat((dir + "/" + kPuzzleFile).c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         st.st_size > 0;
}

}  // namespace

Recovery recoverState(const std::string& dir, bool setAsideBlocking) {
  const std::string journal = dir + "/" + kJournalFile;
  Recovery r;
  struct stat st {};
  const bool found = fileOps().lstat(journal.c_str(), &st) == 0;
  if (!found && errno != ENOENT) return {why(journal), Recovery::unfinished};
  if (found) {
    std::string text;
    std::vector<Entry> entries;
    const ReadStatus read = S_ISREG(st.st_mode) ? readFile(journal, text) : ReadStatus{};
    if (!S_ISREG(st.st_mode)) {
      r = {journal + ": " + (S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file"),
           Recovery::blocking};
    } else if (!read) {
      // Refused for what it is (too large, say), it never becomes a journal.
      r = {journal + ": " + read.why, read.why.starts_with("it is") ? Recovery::blocking : Recovery::unfinished};
    } else if (parseJournal(text, entries)) {
      std::string error;
      const Roll roll = rollForward(dir, entries, error);
      if (roll == Roll::unfinished) return {error, Recovery::unfinished};
      if (roll == Roll::lost) r = {error, Recovery::blocking};
    } else if (kJournalStem.starts_with(text.substr(0, kJournalStem.size()))) {
      // One cut short by a crash before it was complete: nothing was replaced.
      if (fileOps().unlink(journal.c_str()) != 0) return {why(journal), Recovery::unfinished};
    } else {
      r = {journal + ": it is not a journal of this program", Recovery::blocking};
    }
    if (r.kind == Recovery::blocking && setAsideBlocking) {
      std::string error;
      if (!setAside(journal, error)) return {error, Recovery::blocking};
      r = {};
    }
  }
  removeStrayTemps(dir);
  return r;
}

SaveResult saveState(const std::string& dir, const Board& b, const Clue& clue, const Settings& s,
                     const std::vector<std::string>& keepAside) {
  const std::string texts[5] = {ecriture(b.tab1, clue), ecriturf(b.tab2), ecriturg(b.candie),
                                ecriturh(b.candif), ecrituri(s, b.su, b.tab7)};
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < 5; ++i) files.emplace_back(kStateFiles[i], texts[i]);
  return putInPlace(dir, files, keepAside);
}

SaveResult putInPlace(const std::string& dir, const std::vector<std::pair<std::string, std::string>>& files,
                      const std::vector<std::string>& keepAside) {
  SaveResult result;
  result.previous = hasRecord(dir);
  auto fail = [&](std::string error) {
    result.ok = false;
    result.error = std::move(error);
    return result;
  };
  if (const Recovery r = recoverState(dir, true); !r) return fail(r.error);

  std::vector<Entry> entries;
  for (const auto& [name, text] : files) {
    if (!isStateFile(name)) return fail(name + ": " + reason(EINVAL));
    const bool aside = std::find(keepAside.begin(), keepAside.end(), name) != keepAside.end();
    entries.push_back({name, tempName(name.c_str()), aside});
  }
  // Every target must be replaceable before anything is replaced.
  for (const Entry& e : entries) {
    struct stat st {};
    const std::string target = dir + "/" + e.target;
    const std::string blocking = e.keepAside ? target + ".bad" : target;
    if (fileOps().lstat(blocking.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      return fail(blocking + ": " + reason(EISDIR));
  }

  std::string error;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!writeNew(dir + "/" + entries[i].tmp, files[i].second, error, &entries[i].ino)) {
      removeTemps(dir, entries);
      return fail(error);
    }
  }
  const std::string journal = dir + "/" + kJournalFile;
  if (!writeNew(journal, journalText(entries), error) || !syncFolder(dir, error)) {
    // Not committed unless the journal stays: then it is rolled forward.
    if (fileOps().unlink(journal.c_str()) == 0 || errno == ENOENT) {
      removeTemps(dir, entries);
      return fail(error);
    }
  }
  // Committed. One retry covers a passing failure; otherwise the next start
  // finishes the job before anything is read.
  if (rollForward(dir, entries, error) != Roll::done && rollForward(dir, entries, error) != Roll::done) {
    result.committed = true;
    return fail(error);
  }
  return result;
}

}  // namespace qx

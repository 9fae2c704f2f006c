// SPDX-License-Identifier: GPL-3.0-or-later
// The all-or-none save of named texts: temporaries, the journal that commits
// them, and the roll-forward that puts them in place, now or at the next start.
#include "files/atomic_save.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "files/file_ops.h"
#include "files/text_reader.h"

namespace qx {

namespace {

// Version 2 adds each new file's inode, by which a later start knows that a
// missing temporary is the file now in place.
constexpr const char* kJournalHead = "quincunx journal 2";
constexpr const char* kJournalHead1 = "quincunx journal 1";
constexpr std::string_view kJournalStem = "quincunx journal ";

bool isNamed(const FileSet& set, std::string_view name) {
  return std::find(set.names.begin(), set.names.end(), name) != set.names.end();
}

// NAME.<16 hex digits>.tmp, for one of the set's names.
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
bool parseJournal(const FileSet& set, const std::string& text, std::vector<Entry>& entries) {
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
    if (f.size() != (withInodes ? 4u : 3u) || !isNamed(set, f[0]) || !isTempOf(f[1], f[0]) ||
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
  return pos == text.size() && !entries.empty() && entries.size() <= set.names.size();
}

enum class Roll { done, unfinished, lost };

// Puts every new file named by a complete journal in place, then drops the
// journal. Safe to repeat after a crash at any point of it. A temporary
// counts as already in place only when it is gone and the target is that
// very file; any other doubt stops it with the journal kept.
Roll rollForward(const std::string& dir, const FileSet& set, const std::vector<Entry>& entries, std::string& error) {
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
  const std::string journal = dir + "/" + set.journal;
  if (os.unlink(journal.c_str()) != 0 && errno != ENOENT) {
    error = why(journal);
    return Roll::unfinished;
  }
  return Roll::done;
}

void removeTemps(const std::string& dir, const std::vector<Entry>& entries) {
  for (const Entry& e : entries) fileOps().unlink((dir + "/" + e.tmp).c_str());
}

void removeStrayTemps(const std::string& dir, const FileSet& set) {
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(dir, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    for (const std::string& f : set.names)
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

}  // namespace

Recovery recoverWrite(const std::string& dir, const FileSet& set, bool setAsideBlocking) {
  const std::string journal = dir + "/" + set.journal;
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
    } else if (parseJournal(set, text, entries)) {
      std::string error;
      const Roll roll = rollForward(dir, set, entries, error);
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
  removeStrayTemps(dir, set);
  return r;
}

WriteResult writeAllOrNone(const std::string& dir, const FileSet& set,
                           const std::vector<std::pair<std::string, std::string>>& files,
                           const std::vector<std::string>& keepAside) {
  WriteResult result;
  auto fail = [&](std::string error) {
    result.ok = false;
    result.error = std::move(error);
    return result;
  };
  if (const Recovery r = recoverWrite(dir, set, true); !r) return fail(r.error);

  std::vector<Entry> entries;
  for (const auto& [name, text] : files) {
    if (!isNamed(set, name)) return fail(name + ": " + reason(EINVAL));
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
  const std::string journal = dir + "/" + set.journal;
  if (!writeNew(journal, journalText(entries), error) || !syncFolder(dir, error)) {
    // Not committed unless the journal stays: then it is rolled forward.
    if (fileOps().unlink(journal.c_str()) == 0 || errno == ENOENT) {
      removeTemps(dir, entries);
      return fail(error);
    }
  }
  // Committed. One retry covers a passing failure; otherwise the next start
  // finishes the job before anything is read.
  if (rollForward(dir, set, entries, error) != Roll::done && rollForward(dir, set, entries, error) != Roll::done) {
    result.committed = true;
    return fail(error);
  }
  return result;
}
}  // namespace qx

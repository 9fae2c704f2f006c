// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing named texts into files of one folder all or none, across a crash
// at any moment and any failed step: the new files are written under unique
// names and made durable, then a journal naming them; once the journal is on
// disk the save counts as done and is rolled forward, now or at the next
// start. Before the journal is complete, nothing has replaced anything.

#include <string>
#include <utility>
#include <vector>

namespace qx {

// The files of a folder that are saved together: the only names a save may
// write, and the name of the journal that lists the new ones.
struct FileSet {
  std::vector<std::string> names;
  std::string journal;
};

// What the start-up found of an interrupted save.
struct Recovery {
  enum Kind { none, unfinished, blocking };
  std::string error;  // what failed, for the user; "" when all is well
  // unfinished: a complete journal could not be rolled forward and stays for
  // the next start; blocking: the journal is not one the program can finish
  // (a folder, a FIFO, a foreign file, a lost new file).
  Kind kind = none;
  explicit operator bool() const { return error.empty(); }
};

// Finishes a save that was cut short (a complete journal is rolled forward,
// an incomplete one dropped) and removes stray temporaries. Run before the
// files are read, and only by the holder of the folder's lock. With
// setAsideBlocking a blocking journal is kept as JOURNAL.bad (or JOURNAL.N.bad)
// and saving goes on; without, it is only reported.
Recovery recoverWrite(const std::string& dir, const FileSet& set, bool setAsideBlocking = false);

struct WriteResult {
  bool ok = true;
  // Not ok, yet the new texts are on disk: they could not all be put in
  // place now and the next start completes it.
  bool committed = false;
  std::string error;  // what failed, for the user
};

// Writes each (name, text) of files, names from set, into dir: all or none.
// The files named in keepAside are first kept as NAME.bad. A pending save is
// finished first.
WriteResult writeAllOrNone(const std::string& dir, const FileSet& set,
                           const std::vector<std::pair<std::string, std::string>>& files,
                           const std::vector<std::string>& keepAside = {});

}  // namespace qx

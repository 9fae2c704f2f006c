// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One writer per state folder: a lock on the folder's quincunx.lock, taken
// with flock, so the system lets it go however its holder ends (a killed
// window leaves nothing to clear up).

#include <string>

namespace qx {

inline constexpr const char* kLockFile = "quincunx.lock";

class StateLock {
 public:
  enum Outcome { held, busy, failed };

  // Tries once, without waiting. The lock file is created when missing;
  // nothing else in the folder is touched.
  explicit StateLock(const std::string& dir);
  ~StateLock();
  StateLock(const StateLock&) = delete;
  StateLock& operator=(const StateLock&) = delete;

  Outcome outcome() const { return outcome_; }
  // failed: why the lock could not be taken.
  const std::string& error() const { return error_; }

 private:
  int fd_ = -1;
  Outcome outcome_ = failed;
  std::string error_;
};

}  // namespace qx

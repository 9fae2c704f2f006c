// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/state_lock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "files/file_ops.h"

namespace qx {

StateLock::StateLock(const std::string& dir) {
  const std::string path = dir + "/" + kLockFile;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error_ = path + ": " + reason(errno);
    return;
  }
  int r;
  do r = ::flock(fd_, LOCK_EX | LOCK_NB);
  while (r != 0 && errno == EINTR);
  if (r == 0) {
    outcome_ = held;
  } else if (errno == EWOULDBLOCK) {
    outcome_ = busy;
  } else {
    error_ = path + ": " + reason(errno);
  }
  if (outcome_ != held) {
    ::close(fd_);
    fd_ = -1;
  }
}

StateLock::~StateLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace qx

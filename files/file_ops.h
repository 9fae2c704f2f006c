// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few system calls that reading and saving the state go through. Tests
// swap in their own to make any one of them fail; the program uses the
// system's.

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace qx {

struct FileOps {
  int (*open)(const char* path, int flags, mode_t mode);
  ssize_t (*read)(int fd, void* buf, size_t n);
  ssize_t (*write)(int fd, const void* buf, size_t n);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*fstat)(int fd, struct stat* st);
  int (*lstat)(const char* path, struct stat* st);
  int (*rename)(const char* from, const char* to);
  int (*unlink)(const char* path);
};

// The system's calls.
const FileOps& systemFileOps();
// What readers and savers use; the system's unless a test set others.
const FileOps& fileOps();
// For tests: nullptr goes back to the system's.
void setFileOps(const FileOps* ops);

// The system's reason for err, as the boxes show it: the common cases in
// fixed English words whatever the locale (the boxes give them in their own
// language), the rest as the system words them.
std::string reason(int err);

}  // namespace qx

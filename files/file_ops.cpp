// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_ops.h"

#include <fcntl.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace qx {

namespace {

int sysOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

const FileOps kSystem{sysOpen, ::read, ::write, ::fsync, ::close, ::fstat, ::lstat, ::rename, ::unlink};

const FileOps* current = &kSystem;

}  // namespace

const FileOps& systemFileOps() { return kSystem; }

const FileOps& fileOps() { return *current; }

void setFileOps(const FileOps* ops) { current = ops ? ops : &kSystem; }

std::string reason(int err) {
  switch (err) {
    case ENOSPC: return "No space left on device";
    case EDQUOT: return "Disk quota exceeded";
    case EACCES: return "Permission denied";
    case EPERM: return "Operation not permitted";
    case EROFS: return "Read-only file system";
    case EIO: return "Input/output error";
    case ENOENT: return "No such file or directory";
    case EISDIR: return "Is a directory";
    case ENOTDIR: return "Not a directory";
    case EFBIG: return "File too large";
    default: return std::strerror(err);
  }
}

}  // namespace qx

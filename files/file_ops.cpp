#include "files/file_ops.h"

#include <fcntl.h>
#include <cstdio>
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

}  // namespace qx

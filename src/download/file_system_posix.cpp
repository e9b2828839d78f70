#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include "download/file_system.h"

namespace quorrin {

bool PathExists(const std::string& path) {
  struct stat st;
  return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool MakeFolder(const std::string& path) {
  return !path.empty() && mkdir(path.c_str(), 0777) == 0;
}

PartFile::~PartFile() {
  Discard();
}

bool PartFile::Open(const std::string& path) {
  Discard();
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) return false;
  path_ = path;
  return true;
}

bool PartFile::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool PartFile::Commit(const std::string& target) {
  if (fd_ < 0) return false;
  // Replacing a file: its new content must be on the disk before the name
  // moves, so a crash leaves the old file or the whole new one. A new name
  // risks nothing of the user's and is left to the page cache, as curl does.
  const bool synced = !PathExists(target) || fdatasync(fd_) == 0;
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed || rename(path_.c_str(), target.c_str()) != 0) {
    unlink(path_.c_str());
    path_.clear();
    return false;
  }
  path_.clear();
  return true;
}

void PartFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!path_.empty()) {
    unlink(path_.c_str());
    path_.clear();
  }
}

}  // namespace quorrin

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "download/file_system.h"

namespace quorrin {

bool PathExists(const std::filesystem::path& path) {
  struct stat st;
  return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool MakeFolder(const std::filesystem::path& path) {
  return !path.empty() && mkdir(path.c_str(), 0777) == 0;
}

long long FileSize(const std::filesystem::path& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<long long>(st.st_size);
}

void RemoveFile(const std::filesystem::path& path) {
  if (!path.empty()) unlink(path.c_str());
}

PartFile::~PartFile() {
  CloseHandle();
}

void PartFile::CloseHandle() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

// Hidden here means a name that begins with a dot, which the caller gives.
bool PartFile::Open(const std::filesystem::path& path) {
  CloseHandle();
  path_ = path;
  fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

bool PartFile::Write(std::string_view bytes) {
  if (fd_ < 0) return false;
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

bool PartFile::Close(bool durable) {
  if (fd_ < 0) return false;
  const bool synced = !durable || fdatasync(fd_) == 0;
  const bool closed = close(fd_) == 0;
  fd_ = -1;
  return synced && closed;
}

bool PartFile::MoveTo(const std::filesystem::path& target) {
  return fd_ < 0 && !path_.empty() && rename(path_.c_str(), target.c_str()) == 0;
}

void PartFile::Remove() {
  CloseHandle();
  RemoveFile(path_);
}

}  // namespace quorrin

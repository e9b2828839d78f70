// The downloads' file operations on Windows: UTF-16 paths and the W functions
// only, so that no name passes through the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <limits>

#include "download/file_system.h"

namespace quorrin {

// A path as the W functions take it. A long absolute one (a deep download
// folder, a long title) gets the "\\?\" form, which lifts the old limit of
// MAX_PATH characters; that form takes no "/" and no "." or "..", so the path
// is made plain first.
std::wstring NativePath(const std::filesystem::path& path) {
  const std::wstring w = path.native();
  constexpr size_t kRoomForAName = 12;  // CreateDirectoryW keeps room for an 8.3 name
  if (w.size() < MAX_PATH - kRoomForAName || w.rfind(L"\\\\?\\", 0) == 0) return w;
  // A UNC name (\\server\share) is absolute too, which the library's test
  // misses; its leading pair is kept apart, since making the path plain would
  // fold it into one.
  const bool unc = w.rfind(L"\\\\", 0) == 0 || w.rfind(L"//", 0) == 0;
  if (!unc && !path.is_absolute()) return w;
  const std::filesystem::path rest = unc ? std::filesystem::path(w.substr(2)) : path;
  return (unc ? L"\\\\?\\UNC\\" : L"\\\\?\\") + rest.lexically_normal().make_preferred().native();
}

namespace {

std::wstring Native(const std::filesystem::path& path) {
  return NativePath(path);
}

}  // namespace

bool PathExists(const std::filesystem::path& path) {
  return !path.empty() && GetFileAttributesW(Native(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const std::filesystem::path& path) {
  return !path.empty() && CreateDirectoryW(Native(path).c_str(), nullptr);
}

long long FileSize(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(Native(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return -1;
  }
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void RemoveFile(const std::filesystem::path& path) {
  if (!path.empty()) DeleteFileW(Native(path).c_str());
}

PartFile::~PartFile() {
  CloseHandle();
}

void PartFile::CloseHandle() {
  if (handle_) ::CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

// Hidden by its attribute. Others may delete it while it is open (a stop
// removes it from another thread); it then goes when the handle closes.
bool PartFile::Open(const std::filesystem::path& path) {
  CloseHandle();
  path_ = path;
  // CREATE_ALWAYS keeps the attributes of a file it empties, so clear them
  // first: a left-over read-only part file would refuse the write.
  SetFileAttributesW(Native(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileW(Native(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

bool PartFile::Write(std::string_view bytes) {
  if (!handle_) return false;
  while (!bytes.empty()) {
    const DWORD chunk =
        static_cast<DWORD>(std::min<size_t>(bytes.size(), std::numeric_limits<DWORD>::max() / 2));
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), bytes.data(), chunk, &written, nullptr) ||
        written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool PartFile::Close(bool durable) {
  if (!handle_) return false;
  const bool flushed = !durable || FlushFileBuffers(static_cast<HANDLE>(handle_));
  const bool closed = ::CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
  return flushed && closed;
}

// The finished file loses its hidden attribute before it takes the real name,
// so the user's file is never hidden; the move replaces a file of that name
// and returns only when it is on the disk.
bool PartFile::MoveTo(const std::filesystem::path& target) {
  if (handle_ || path_.empty()) return false;
  if (!SetFileAttributesW(Native(path_).c_str(), FILE_ATTRIBUTE_NORMAL)) return false;
  return MoveFileExW(Native(path_).c_str(), Native(target).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void PartFile::Remove() {
  CloseHandle();
  RemoveFile(path_);
}

}  // namespace quorrin

// The few file-system operations the downloads need; the one place where they
// meet the platform. Paths are in the system's own form throughout.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorrin {

// True when a file or folder of exactly that name exists.
bool PathExists(const std::filesystem::path& path);
// Creates the last level of `path`; false when it could not.
bool MakeFolder(const std::filesystem::path& path);
// The size of the regular file at `path`; -1 when there is none.
long long FileSize(const std::filesystem::path& path);
// Removes the file at `path`, if any.
void RemoveFile(const std::filesystem::path& path);

#ifdef _WIN32
// A path as the W functions take it: a long absolute one (past MAX_PATH) in
// the "\\?\" form, made plain (backslashes, no "." or ".."); others as they are.
std::wstring NativePath(const std::filesystem::path& path);
#endif

// A file written under a hidden temporary name and moved onto its real name
// only when complete. Opening, moving and removing are separate steps, so
// that a download can put each one that changes the folder under its job's
// gate; the object itself only ever closes its handle.
class PartFile {
 public:
  PartFile() = default;
  ~PartFile();
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  // Creates (or empties) the temporary file, hidden.
  bool Open(const std::filesystem::path& path);
  bool Write(std::string_view bytes);
  // Closes the file; with `durable` its content reaches the disk first, for
  // a file that is about to replace one of the user's.
  bool Close(bool durable);
  // Moves the closed file onto `target`, replacing a file of that name.
  bool MoveTo(const std::filesystem::path& target);
  // Closes and removes the temporary file.
  void Remove();

  const std::filesystem::path& path() const { return path_; }

 private:
  void CloseHandle();

#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  std::filesystem::path path_;
};

}  // namespace quorrin

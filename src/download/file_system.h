// The few file-system operations the downloads need; the one place where they
// meet the platform.
#pragma once

#include <string>
#include <string_view>

namespace quorrin {

// True when a file or folder of exactly that name exists.
bool PathExists(const std::string& path);
// Creates the last level of `path`; false when it could not.
bool MakeFolder(const std::string& path);

// A file written under a temporary name and moved onto its real name only
// when complete; removed when abandoned.
class PartFile {
 public:
  PartFile() = default;
  ~PartFile();
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  bool Open(const std::string& path);
  bool Write(std::string_view bytes);
  // Closes and renames onto `target`. A file already there is replaced only
  // after the new content is on the disk.
  bool Commit(const std::string& target);
  // Closes and removes the temporary file.
  void Discard();

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace quorrin

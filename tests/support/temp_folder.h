// Temporary folders for tests, made the same way on every system.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace quorrin::test {

// A new, empty folder of a random name below the system's temporary folder
// (what mkdtemp does, which Windows lacks).
inline std::filesystem::path MakeTempFolder(const std::string& prefix) {
  std::random_device random;
  std::filesystem::path path;
  do {
    path = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
  } while (!std::filesystem::create_directory(path));
  return path;
}

// Removes a test's folder with everything in it, also below a depth that
// plain Windows paths cannot reach (the "\\?\" form lifts that limit).
inline void RemoveTempFolder(const std::filesystem::path& path) {
  std::error_code error;
#ifdef _WIN32
  std::filesystem::remove_all(
      std::filesystem::path(L"\\\\?\\" + path.lexically_normal().make_preferred().native()), error);
#else
  std::filesystem::remove_all(path, error);
#endif
}

// A temporary folder for the length of a test, removed with all it holds.
struct TempFolder {
  explicit TempFolder(const std::string& prefix) : path(MakeTempFolder(prefix)) {}
  ~TempFolder() { RemoveTempFolder(path); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::filesystem::path path;
};

}  // namespace quorrin::test

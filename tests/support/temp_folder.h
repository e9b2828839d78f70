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

}  // namespace quorrin::test

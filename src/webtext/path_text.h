// File-system paths from and to UTF-8. A path keeps the system's own form
// (bytes on Linux, UTF-16 on Windows), so a folder name never passes through
// code page 936 and keeps every character it has.
#pragma once

#include <filesystem>
#include <string>

#include "webtext/text.h"

namespace quorrin {

inline std::filesystem::path PathFromUtf8(const Utf8& utf8) {
  return std::filesystem::path(std::u8string(utf8.value.begin(), utf8.value.end()));
}

inline Utf8 PathToUtf8(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return Utf8(std::string(s.begin(), s.end()));
}

}  // namespace quorrin

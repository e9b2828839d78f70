// Test helper: a UTF-8 literal as local (code page 936) text.
#pragma once

#include <string>
#include <string_view>

#include "webtext/codepage.h"

namespace quorrin::test {
inline std::string L(std::string_view utf8) {
  return Utf8ToLocal(utf8);
}
inline std::string U(std::string_view local) {
  return LocalToUtf8(local);
}
}  // namespace quorrin::test

// Texts at the edge of the Windows API: the window speaks UTF-16 only, the
// window description UTF-8 and the jobs code page 936. Every conversion to and
// from the W functions goes through here.
#pragma once

#include <string>
#include <string_view>

#include "webtext/text.h"

namespace quorrin::win32 {

// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::wstring Wide(std::string_view utf8);
inline std::wstring Wide(const Utf8& utf8) {
  return Wide(utf8.view());
}
// Code page 936 to UTF-16, through UTF-8.
std::wstring WideLocal(const Text& local);

// UTF-16 to UTF-8; lone surrogates become U+FFFD.
Utf8 Utf8FromWide(std::wstring_view wide);
// UTF-16 to code page 936; what the code page lacks becomes "?".
Text LocalFromWide(std::wstring_view wide);

}  // namespace quorrin::win32

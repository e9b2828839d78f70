#include "win32/wide_text.h"

#include <windows.h>

#include "webtext/codepage.h"

namespace quorrin::win32 {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
  return out;
}

std::wstring WideLocal(const Text& local) {
  return Wide(LocalToUtf8(local));
}

Utf8 Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return Utf8();
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
  return Utf8(std::move(out));
}

Text LocalFromWide(std::wstring_view wide) {
  return Utf8ToLocal(Utf8FromWide(wide));
}

}  // namespace quorrin::win32

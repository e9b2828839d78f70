// Code page 936 tables from Windows' own converter. WideCharToMultiByte is
// called as the program always did: no flags and no default character of its
// own, so Windows' best-fit mappings land in the tables too, and a character
// without one becomes the code page's default character (0 in the table).
#include <windows.h>

#include "webtext/codepage_tables.h"

namespace quorrin {
namespace {

constexpr UINT kCodePage = 936;

// The UTF-16 unit of exactly one character in `in`, 0 when `in` is not one
// valid character of code page 936.
char16_t Decode(const char* in, int size) {
  wchar_t out[4];
  const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, in, size, out, 4);
  return n == 1 ? static_cast<char16_t>(out[0]) : u'\0';
}

}  // namespace

void BuildCodePageTables(CodePageTables& t) {
  for (unsigned c = 0; c < 0x80; ++c) {
    t.toLocal[c] = static_cast<uint16_t>(c);
  }
  for (unsigned c = 0x80; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    const wchar_t in = static_cast<wchar_t>(c);
    char out[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, 0, &in, 1, out, sizeof out, nullptr, &usedDefault);
    if (usedDefault) continue;
    const auto b0 = static_cast<unsigned char>(out[0]), b1 = static_cast<unsigned char>(out[1]);
    if (n == 1 && b0 != 0) t.toLocal[c] = b0;
    if (n == 2) t.toLocal[c] = static_cast<uint16_t>((b0 << 8) | b1);
  }
  for (unsigned lead = 0x80; lead < 0x100; ++lead) {
    const char single = static_cast<char>(lead);
    t.fromSingle[lead] = Decode(&single, 1);
    for (unsigned trail = 0x40; trail < 0x100; ++trail) {
      const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      t.fromDouble[(lead << 8) | trail] = Decode(in, 2);
    }
  }
}

}  // namespace quorrin

// Conversions between UTF-8, UTF-16 and code page 936, the program's local text.
#pragma once

#include <string>
#include <string_view>

#include "webtext/text.h"

namespace quorrin {

// UTF-8 to code page 936. A character that code page 936 cannot hold, and each
// invalid UTF-8 sequence, becomes "?". The result ends at the first zero
// character. A leading byte-order mark is converted like any other character.
Text Utf8ToLocal(const Utf8& utf8);

// Code page 936 to UTF-8, for the window and the file system. A byte sequence
// that is not valid code page 936 becomes "?".
Utf8 LocalToUtf8(const Text& local);

// Code page 936 to UTF-16 and back, for the pattern engine.
std::u16string LocalToUtf16(const Text& local);
Text Utf16ToLocal(std::u16string_view utf16);

// The same into a buffer with room for local.size() units (a character never
// takes more units than bytes), for large texts that need no zeroed string;
// gives the number of units written.
size_t LocalToUtf16(const Text& local, char16_t* out);

}  // namespace quorrin

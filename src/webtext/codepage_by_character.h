// The conversions of codepage.h one character at a time, without the block
// steps over runs of ASCII: the reference that the block steps are tested
// against. Same results, byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "webtext/text.h"

namespace quorrin::by_character {

Text Utf8ToLocal(const Utf8& utf8);
Utf8 LocalToUtf8(const Text& local);
std::u16string LocalToUtf16(const Text& local);
Text Utf16ToLocal(std::u16string_view utf16);

}  // namespace quorrin::by_character

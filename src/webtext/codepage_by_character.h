// The conversions of codepage.h one character at a time, without the block
// steps over runs of ASCII: the reference that the block steps are tested
// against. Same results, byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "webtext/text.h"

namespace quorrin::by_character {

Text Utf8ToLocal(std::string_view utf8);
std::string LocalToUtf8(std::string_view local);
std::u16string LocalToUtf16(std::string_view local);
Text Utf16ToLocal(std::u16string_view utf16);

}  // namespace quorrin::by_character

// Byte text in code page 936 and the routines that cut it.
//
// A byte of 0x80 or more together with the byte after it forms one two-byte
// character; every other byte is a character of its own. Positions are 1-based
// byte positions; -1 means that nothing was found.
#pragma once

#include <string>
#include <string_view>

namespace quorrin {

// Text in code page 936 (no zero byte inside).
using Text = std::string;
// Raw bytes with their length; may hold zero bytes.
using Bytes = std::string;

// "#引号" in code page 936: stands for a double quote inside markers and patterns.
inline constexpr std::string_view QuotePlaceholder = "\x23\xD2\xFD\xBA\xC5";

// The bytes before the first zero byte.
Text BytesToText(std::string_view bytes);

// Position of the first occurrence of `sought` at or after `start`, stepping by
// whole characters; -1 when there is none. Ignore case folds ASCII letters only.
int FindText(std::string_view text, std::string_view sought, int start, bool ignoreCase);

// The text between the first `startMarker` at or after `start` and the nearest
// `endMarker` after it; empty when either is missing. Each QuotePlaceholder in
// the markers stands for a double quote.
Text TextBetween(std::string_view text, std::string_view startMarker, std::string_view endMarker,
                 int start = 1, bool ignoreCase = false);

// `text` with every QuotePlaceholder, left to right by whole characters, made a
// double quote.
Text ReplaceQuotePlaceholder(std::string_view text);

}  // namespace quorrin

// Turns a work's title into a file name that stays inside the download folder
// and that Windows and Linux both accept.
#pragma once

#include <string>
#include <string_view>

#include "webtext/text.h"

namespace quorrin {

// Longest file name, in bytes of the file system's encoding (UTF-8 here).
inline constexpr size_t kMaxFileNameBytes = 255;

// The title (UTF-8) made safe: characters names may not hold become "_",
// blanks and dots trimmed at the end and blanks at the start; ".", ".." and
// device names get a "_" in front; an empty result becomes `fallback` made
// safe the same way (or "_"). Shortened on a character boundary so that the
// name plus `suffix` fits kMaxFileNameBytes.
Utf8 SafeFileName(const Utf8& title, const Utf8& fallback, std::string_view suffix = ".mp4");

// Cuts UTF-8 text to at most `maxBytes` without splitting a character.
Utf8 CutUtf8(const Utf8& text, size_t maxBytes);

}  // namespace quorrin

// Turns a work's title into a file name that stays inside the download folder
// and that Windows and Linux both accept.
#pragma once

#include <string>
#include <string_view>

namespace quorrin {

// Longest file name, in bytes of the file system's encoding (UTF-8 here).
inline constexpr size_t kMaxFileNameBytes = 255;

// The title (UTF-8) made safe: characters names may not hold become "_",
// blanks and dots trimmed at the end and blanks at the start; ".", ".." and
// device names get a "_" in front; an empty result becomes `fallback` made
// safe the same way (or "_"). Shortened on a character boundary so that the
// name plus `suffix` fits kMaxFileNameBytes.
std::string SafeFileName(std::string_view title, std::string_view fallback,
                         std::string_view suffix = ".mp4");

// Cuts UTF-8 text to at most `maxBytes` without splitting a character.
std::string CutUtf8(std::string_view text, size_t maxBytes);

}  // namespace quorrin

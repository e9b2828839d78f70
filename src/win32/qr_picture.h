// The QR pictures of the sponsor tab, drawn as bitmaps at the size they are
// shown, with the same proportions as on Linux.
#pragma once

#include <windows.h>

#include <string>

#include "webtext/text.h"

namespace quorrin::win32 {

// A QR code of `text` on `side` x `side` pixels (a 24-bit DIB section the
// caller deletes); with a coloured frame and `caption` below the code when
// the caption is not empty. `font` gives the caption's face. A white picture
// when the text cannot be encoded.
HBITMAP QrBitmap(const Utf8& text, int side, const std::wstring& caption, COLORREF frame,
                 const LOGFONTW& font);

}  // namespace quorrin::win32

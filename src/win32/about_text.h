// The about page as plain text for a read-only text box: the tags dropped,
// blocks and line breaks made "\r\n", entities decoded, and a link's address
// kept after its words so that it can be copied.
#pragma once

#include "webtext/text.h"

namespace quorrin::win32 {

Utf8 AboutPageText(const Utf8& html);

}  // namespace quorrin::win32

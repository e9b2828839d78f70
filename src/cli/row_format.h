// One song row as one line of output, for people and scripts.
#pragma once

#include <array>

#include "webtext/text.h"

namespace quorrin::cli {

// The five cells in column order: number, title, play address, download
// address, work ID.
using RowCells = std::array<Utf8, 5>;

// The cells separated by tabs; a tab, carriage return or line feed inside a
// cell becomes a space, so that one row stays one line.
Utf8 TabSeparatedRow(const RowCells& cells);

// {"number":1,"title":"...","playAddress":"...","downloadAddress":"...","workId":"..."}
// The number is a JSON number when the cell holds only digits, a string otherwise.
Utf8 JsonRow(const RowCells& cells);

// `text` as a JSON string, quotes included.
Utf8 JsonString(const Utf8& text);

}  // namespace quorrin::cli

#include "cli/row_format.h"

#include <algorithm>
#include <cstdio>

namespace quorrin::cli {

Utf8 TabSeparatedRow(const RowCells& cells) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) line += '\t';
    for (char c : cells[i].value) line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
  }
  return Utf8(std::move(line));
}

Utf8 JsonString(const Utf8& text) {
  std::string out = "\"";
  for (char c : text.value) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;  // UTF-8 passes as it is
        }
    }
  }
  out += '"';
  return Utf8(std::move(out));
}

Utf8 JsonRow(const RowCells& cells) {
  const std::string& number = cells[0].value;
  const bool digits =
      !number.empty() && number.size() < 16 &&
      std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
      (number.size() == 1 || number[0] != '0');
  return "{\"number\":"_u8 + (digits ? cells[0] : JsonString(cells[0])) + ",\"title\":"_u8 +
         JsonString(cells[1]) + ",\"playAddress\":"_u8 + JsonString(cells[2]) +
         ",\"downloadAddress\":"_u8 + JsonString(cells[3]) + ",\"workId\":"_u8 +
         JsonString(cells[4]) + "}"_u8;
}

}  // namespace quorrin::cli

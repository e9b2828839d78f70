// The lookup tables behind the code page 936 conversions, filled once per
// process by the platform's own converter (one source file per platform).
#pragma once

#include <array>
#include <cstdint>

namespace quorrin {

struct CodePageTables {
  // UTF-16 unit (BMP) -> local bytes: 0 when code page 936 cannot hold it,
  // b for a one-byte character, (lead << 8) | trail for a two-byte one.
  std::array<uint16_t, 65536> toLocal{};
  // (lead << 8) | trail -> UTF-16 unit, 0 when not a character.
  std::array<char16_t, 65536> fromDouble{};
  // A lone byte of 0x80 or more -> UTF-16 unit, 0 when not a character.
  std::array<char16_t, 256> fromSingle{};
};

// Fills the tables from the platform's converter.
void BuildCodePageTables(CodePageTables& t);

}  // namespace quorrin

#include <iconv.h>

#include "webtext/codepage_tables.h"

namespace quorrin {
namespace {

size_t Convert(iconv_t cd, const char* in, size_t inSize, char* out, size_t outSize) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in);
  char* dst = out;
  size_t left = inSize, room = outSize;
  if (iconv(cd, &src, &left, &dst, &room) == static_cast<size_t>(-1) || left != 0) return 0;
  if (iconv(cd, nullptr, nullptr, &dst, &room) == static_cast<size_t>(-1)) return 0;
  return outSize - room;
}

}  // namespace

void BuildCodePageTables(CodePageTables& t) {
  for (unsigned c = 0; c < 0x80; ++c) {
    t.toLocal[c] = static_cast<uint16_t>(c);
  }
  iconv_t encode = iconv_open("CP936", "UTF-16LE");
  iconv_t decode = iconv_open("UTF-16LE", "CP936");
  const auto bad = reinterpret_cast<iconv_t>(-1);
  if (encode != bad) {
    for (unsigned c = 0x80; c < 0x10000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      const char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
      char out[8];
      const size_t n = Convert(encode, in, 2, out, sizeof out);
      const auto b0 = static_cast<unsigned char>(out[0]), b1 = static_cast<unsigned char>(out[1]);
      if (n == 1 && b0 >= 0x80) t.toLocal[c] = b0;
      if (n == 2) t.toLocal[c] = static_cast<uint16_t>((b0 << 8) | b1);
    }
    iconv_close(encode);
  }
  if (decode != bad) {
    for (unsigned lead = 0x80; lead < 0x100; ++lead) {
      char out[8];
      const char single = static_cast<char>(lead);
      if (Convert(decode, &single, 1, out, sizeof out) == 2) {
        t.fromSingle[lead] = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                   (static_cast<unsigned char>(out[1]) << 8));
      }
      for (unsigned trail = 0x40; trail < 0x100; ++trail) {
        const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        if (Convert(decode, in, 2, out, sizeof out) == 2) {
          t.fromDouble[(lead << 8) | trail] = static_cast<char16_t>(
              static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8));
        }
      }
    }
    iconv_close(decode);
  }
}

}  // namespace quorrin

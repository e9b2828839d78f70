#include "webtext/codepage.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "webtext/codepage_by_character.h"
#include "webtext/codepage_tables.h"

namespace quorrin {
namespace {

using Tables = CodePageTables;

const Tables& CodePage() {
  // Built once, thread-safe.
  static const std::unique_ptr<Tables> tables = [] {
    auto t = std::make_unique<Tables>();
    BuildCodePageTables(*t);
    return t;
  }();
  return *tables;
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 character of two to four bytes whose first byte, at `i`,
// is 0x80 or more; advances `i`. kInvalid for each maximal invalid part of a
// sequence.
inline char32_t DecodeUtf8(const unsigned char* p, size_t n, size_t& i) {
  const unsigned char b = p[i];
  int need = 0;
  char32_t cp = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    if (b == 0xED) hi = 0x9F;  // no surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    if (b == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return kInvalid;
  }
  size_t j = i + 1;
  for (int k = 0; k < need; ++k, ++j) {
    if (j >= n || p[j] < lo || p[j] > hi) {
      i = j;
      return kInvalid;
    }
    cp = (cp << 6) | (p[j] & 0x3F);
    lo = 0x80;
    hi = 0xBF;
  }
  i = j;
  return cp;
}

// Writes `cp` as local text to `d` ("?" when code page 936 cannot hold it);
// gives the number of bytes, 1 or 2.
size_t PutLocal(const Tables& t, char32_t cp, char* d) {
  const uint16_t v = cp < 0x10000 ? t.toLocal[cp] : 0;
  if (v == 0 && cp != 0) {
    d[0] = '?';
    return 1;
  }
  if (v < 0x100) {
    d[0] = static_cast<char>(v);
    return 1;
  }
  d[0] = static_cast<char>(v >> 8);
  d[1] = static_cast<char>(v & 0xFF);
  return 2;
}

// Decodes one character of local text at `i`; advances `i`. '?' for bytes
// that are no character of code page 936.
char16_t NextLocal(const Tables& t, std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  if (i + 1 < s.size()) {
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    if (const char16_t u = t.fromDouble[(b << 8) | trail]) {
      i += 2;
      return u;
    }
  }
  ++i;
  return t.fromSingle[b] ? t.fromSingle[b] : u'?';
}

// Writes `cp` as UTF-8 to `d`; gives the number of bytes, 1 to 4.
size_t PutUtf8(char32_t cp, char* d) {
  if (cp < 0x80) {
    d[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    d[0] = static_cast<char>(0xC0 | (cp >> 6));
    d[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    d[0] = static_cast<char>(0xE0 | (cp >> 12));
    d[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    d[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  d[0] = static_cast<char>(0xF0 | (cp >> 18));
  d[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  d[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  d[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

bool IsSurrogatePair(std::u16string_view s, size_t k) {
  return s[k] >= 0xD800 && s[k] <= 0xDBFF && k + 1 < s.size() && s[k + 1] >= 0xDC00 &&
         s[k + 1] <= 0xDFFF;
}

// ---- Block steps over runs of ASCII ----------------------------------------
//
// Most of a web page is ASCII. A block step copies (or widens, or narrows) a
// whole block of 16 bytes or 8 UTF-16 units into the output at once, then
// keeps only its leading run of ASCII; the character that ends the run goes
// through the table path. The masks are plain 64-bit arithmetic, which every
// compiler turns into a few instructions, and the copy loops vectorise.

constexpr uint64_t kHigh8 = 0x8080808080808080u;
constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
constexpr uint64_t kHigh16 = 0x8000800080008000u;
constexpr uint64_t kLow15 = 0x7FFF7FFF7FFF7FFFu;

uint64_t Load64(const void* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Lanes of `flags` (only each lane's top bit set or not) before the first
// flagged one, lanes of `bits` bits; memory order.
unsigned LanesBeforeFlag(uint64_t flags, unsigned bits, unsigned lanes) {
  if (flags == 0) return lanes;
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<unsigned>(std::countr_zero(flags)) / bits;
  } else {
    return static_cast<unsigned>(std::countl_zero(flags)) / bits;
  }
}

// Flags bytes of 0x80 or more.
uint64_t HighBytes(uint64_t v) {
  return v & kHigh8;
}

// Flags bytes of 0x80 or more and zero bytes (exactly: no carry crosses a lane).
uint64_t HighOrZeroBytes(uint64_t v) {
  const uint64_t nonZero = ((v & kLow7) + kLow7) | v;
  return (v | ~nonZero) & kHigh8;
}

// Flags UTF-16 units of 0x80 or more and zero units.
uint64_t WideOrZeroUnits(uint64_t v) {
  const uint64_t wide = v & 0xFF80FF80FF80FF80u;
  const uint64_t wideFlag = (((wide & kLow15) + kLow15) | wide) & kHigh16;
  const uint64_t zeroFlag = ~(((v & kLow15) + kLow15) | v) & kHigh16;
  return wideFlag | zeroFlag;
}

// The number of leading bytes of p[0..16) that are not flagged by `flag`.
template <uint64_t (*Flag)(uint64_t)>
unsigned AsciiRun16(const unsigned char* p) {
  const unsigned first = LanesBeforeFlag(Flag(Load64(p)), 8, 8);
  return first < 8 ? first : 8 + LanesBeforeFlag(Flag(Load64(p + 8)), 8, 8);
}

// The number of leading units of u[0..8) in 1..0x7F.
unsigned AsciiUnits8(const char16_t* u) {
  const unsigned first = LanesBeforeFlag(WideOrZeroUnits(Load64(u)), 16, 4);
  return first < 4 ? first : 4 + LanesBeforeFlag(WideOrZeroUnits(Load64(u + 4)), 16, 4);
}

// The copies go through a local block: the output may alias the input as far
// as the compiler knows (char types), which would keep it from vectorising.
void Widen16(const unsigned char* from, char16_t* to) {
  unsigned char in[16];
  std::memcpy(in, from, 16);
  char16_t out[16];
  for (int k = 0; k < 16; ++k) out[k] = in[k];
  std::memcpy(to, out, sizeof out);
}

void Narrow8(const char16_t* from, char* to) {
  char16_t in[8];
  std::memcpy(in, from, sizeof in);
  char out[8];
  for (int k = 0; k < 8; ++k) out[k] = static_cast<char>(in[k]);
  std::memcpy(to, out, sizeof out);
}

// A conversion's output written straight into its string. The string is
// reserved for the largest result up front, so it never moves, and grows a
// chunk at a time: zeroing a chunk just before it is overwritten costs little
// while it is in the cache.
template <class Char>
class DirectOut {
 public:
  static constexpr size_t kChunk = 4096;

  DirectOut(std::basic_string<Char>& out, size_t bound) : out_(out) { out_.reserve(bound); }
  ~DirectOut() { out_.resize(used_); }
  DirectOut(const DirectOut&) = delete;
  DirectOut& operator=(const DirectOut&) = delete;

  // Where the next `need` units go.
  Char* Room(size_t need) {
    if (out_.size() - used_ < need) {
      out_.resize(std::max(std::min(used_ + kChunk, out_.capacity()), used_ + need));
    }
    return out_.data() + used_;
  }
  void Advance(size_t n) { used_ += n; }

 private:
  std::basic_string<Char>& out_;
  size_t used_ = 0;
};

// Each conversion takes a block step where a run of ASCII may start, and the
// table path for the character that ends it. A character never takes more
// local bytes than UTF-8 bytes, nor more UTF-16 units than local bytes, nor
// more local bytes than twice its UTF-16 units: those bounds keep a block,
// which writes ahead, inside the reserve.

std::string FastUtf8ToLocal(std::string_view utf8) {
  const Tables& t = CodePage();
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  std::string out;
  {
    DirectOut<char> sink(out, n + 2);
    size_t i = 0;
    while (i < n) {
      if (p[i] < 0x80 && n - i >= 16) {
        std::memcpy(sink.Room(16), p + i, 16);
        const unsigned run = AsciiRun16<HighOrZeroBytes>(p + i);
        sink.Advance(run);
        i += run;
        if (run == 16) continue;
      }
      const unsigned char b = p[i];
      if (b == 0) break;  // the text ends at the first zero character
      char* d = sink.Room(2);
      if (b < 0x80) {
        *d = static_cast<char>(b);
        sink.Advance(1);
        ++i;
        continue;
      }
      // Chinese text comes in runs of three-byte characters that code page
      // 936 holds in two bytes each, taken in a loop of their own; anything
      // else goes through the general step below.
      while (n - i >= 3 && (p[i] & 0xF0) == 0xE0 && (p[i + 1] & 0xC0) == 0x80 &&
             (p[i + 2] & 0xC0) == 0x80) {
        const char32_t cp = ((p[i] & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F);
        const uint16_t v = t.toLocal[cp];
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) || v < 0x100) break;
        char* two = sink.Room(2);
        two[0] = static_cast<char>(v >> 8);
        two[1] = static_cast<char>(v & 0xFF);
        sink.Advance(2);
        i += 3;
      }
      if (i == n || p[i] < 0x80) continue;
      d = sink.Room(2);
      const char32_t cp = DecodeUtf8(p, n, i);
      if (cp == kInvalid) {
        *d = '?';
        sink.Advance(1);
      } else {
        sink.Advance(PutLocal(t, cp, d));
      }
    }
  }
  return out;
}

std::string FastLocalToUtf8(std::string_view local) {
  const Tables& t = CodePage();
  const auto* p = reinterpret_cast<const unsigned char*>(local.data());
  const size_t n = local.size();
  std::string out;
  {
    // Usually enough; a text of lone bytes like 0x80 (three UTF-8 bytes each)
    // makes the string grow as strings do.
    DirectOut<char> sink(out, n + n / 2 + 3);
    size_t i = 0;
    while (i < n) {
      if (p[i] < 0x80 && n - i >= 16) {
        std::memcpy(sink.Room(16), p + i, 16);
        const unsigned run = AsciiRun16<HighBytes>(p + i);
        sink.Advance(run);
        i += run;
        if (run == 16) continue;
      }
      sink.Advance(PutUtf8(NextLocal(t, local, i), sink.Room(3)));
    }
  }
  return out;
}

// Writes `local` as UTF-16 to `out`, which has room for local.size() units:
// a character never takes more units than bytes, and a block, which writes 16
// units, runs only where 16 bytes are left. Gives the number of units.
size_t FastLocalToUtf16(const Tables& t, std::string_view local, char16_t* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(local.data());
  const size_t n = local.size();
  size_t i = 0, o = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      if (n - i >= 16) {
        Widen16(p + i, out + o);
        const unsigned run = AsciiRun16<HighBytes>(p + i);
        i += run;
        o += run;
      } else {
        out[o++] = p[i++];
      }
      continue;
    }
    // Two-byte characters come in runs (the words of Chinese text), taken in
    // a loop of their own.
    while (i + 1 < n) {
      const char16_t u = t.fromDouble[(p[i] << 8) | p[i + 1]];
      if (u == 0) break;
      out[o++] = u;
      i += 2;
      if (i == n || p[i] < 0x80) break;
    }
    // A high byte that starts no two-byte character.
    if (i < n && p[i] >= 0x80 && (i + 1 == n || t.fromDouble[(p[i] << 8) | p[i + 1]] == 0)) {
      out[o++] = t.fromSingle[p[i]] ? t.fromSingle[p[i]] : u'?';
      ++i;
    }
  }
  return o;
}

constexpr size_t kShortText = 64;

std::string FastUtf16ToLocal(std::u16string_view utf16) {
  const size_t n = utf16.size();
  // Short texts of ASCII alone (the captures of a page: IDs, addresses) are
  // narrowed straight into their string.
  if (n <= kShortText &&
      std::all_of(utf16.begin(), utf16.end(), [](char16_t u) { return u != 0 && u < 0x80; })) {
    std::string out(n, '\0');
    std::copy(utf16.begin(), utf16.end(), out.begin());
    return out;
  }
  const Tables& t = CodePage();
  std::string out;
  {
    DirectOut<char> sink(out, 2 * n);
    size_t k = 0;
    while (k < n) {
      if (utf16[k] < 0x80 && n - k >= 8) {
        Narrow8(utf16.data() + k, sink.Room(8));
        const unsigned run = AsciiUnits8(utf16.data() + k);
        sink.Advance(run);
        k += run;
        if (run == 8) continue;
      }
      const char16_t u = utf16[k];
      if (u == 0) break;
      char* d = sink.Room(2);
      if (u < 0x80) {
        *d = static_cast<char>(u);
        sink.Advance(1);
        ++k;
        continue;
      }
      if (IsSurrogatePair(utf16, k)) {
        k += 2;  // a character beyond the BMP: code page 936 cannot hold it
        *d = '?';
        sink.Advance(1);
        continue;
      }
      sink.Advance(PutLocal(t, u, d));
      ++k;
    }
  }
  return out;
}

}  // namespace

Text Utf8ToLocal(const Utf8& utf8) {
  return Text(FastUtf8ToLocal(utf8.view()));
}

Utf8 LocalToUtf8(const Text& local) {
  return Utf8(FastLocalToUtf8(local.view()));
}

std::u16string LocalToUtf16(const Text& local) {
  std::u16string out(local.size(), u'\0');
  out.resize(FastLocalToUtf16(CodePage(), local.view(), out.data()));
  return out;
}

size_t LocalToUtf16(const Text& local, char16_t* out) {
  return FastLocalToUtf16(CodePage(), local.view(), out);
}

Text Utf16ToLocal(std::u16string_view utf16) {
  return Text(FastUtf16ToLocal(utf16));
}

namespace by_character {

Text Utf8ToLocal(const Utf8& text) {
  const std::string_view utf8 = text.view();
  const Tables& t = CodePage();
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t i = 0;
  while (i < utf8.size() && p[i] != 0) {
    if (p[i] < 0x80) {
      out.push_back(static_cast<char>(p[i++]));
      continue;
    }
    const char32_t cp = DecodeUtf8(p, utf8.size(), i);
    if (cp == kInvalid) {
      out.push_back('?');
      continue;
    }
    char d[2];
    out.append(d, PutLocal(t, cp, d));
  }
  return Text(std::move(out));
}

Utf8 LocalToUtf8(const Text& text) {
  const std::string_view local = text.view();
  const Tables& t = CodePage();
  std::string out;
  size_t i = 0;
  while (i < local.size()) {
    char d[4];
    out.append(d, PutUtf8(NextLocal(t, local, i), d));
  }
  return Utf8(std::move(out));
}

std::u16string LocalToUtf16(const Text& text) {
  const std::string_view local = text.view();
  const Tables& t = CodePage();
  std::u16string out;
  size_t i = 0;
  while (i < local.size()) out.push_back(NextLocal(t, local, i));
  return out;
}

Text Utf16ToLocal(std::u16string_view utf16) {
  const Tables& t = CodePage();
  std::string out;
  for (size_t k = 0; k < utf16.size() && utf16[k] != 0; ++k) {
    if (IsSurrogatePair(utf16, k)) {
      ++k;  // a character beyond the BMP: code page 936 cannot hold it
      out.push_back('?');
      continue;
    }
    char d[2];
    out.append(d, PutLocal(t, utf16[k], d));
  }
  return Text(std::move(out));
}

}  // namespace by_character
}  // namespace quorrin

// The conversions take runs of ASCII a block at a time; these tests hold them
// to the one-character-at-a-time path over every character and over seeded
// random mixes, at every alignment of a block.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>

#include "webtext/codepage.h"
#include "webtext/codepage_by_character.h"

namespace quorrin {
namespace {

// Checks that `fast` and `slow` agree on `input`; a failure names the first
// output position where they part.
std::string_view Units(const Text& t) {
  return t.view();
}
std::string_view Units(const Utf8& t) {
  return t.view();
}
std::u16string_view Units(const std::u16string& t) {
  return t;
}

template <class In, class Fast, class Slow>
void ExpectSame(Fast fast, Slow slow, In input, const std::string& what) {
  const auto fastOut = fast(input);
  const auto slowOut = slow(input);
  const auto a = Units(fastOut);
  const auto b = Units(slowOut);
  if (a == b) return;
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
  ADD_FAILURE() << what << ": outputs of " << a.size() << " and " << b.size()
                << " units differ first at unit " << (at.first - a.begin()) << " of "
                << input.size() << " input units";
}

// The same bytes taken as UTF-8 and as local text.
void ExpectSameFromBytes(std::string_view in, const std::string& what) {
  ExpectSame([](std::string_view s) { return Utf8ToLocal(Utf8(s)); },
             [](std::string_view s) { return by_character::Utf8ToLocal(Utf8(s)); }, in,
             "Utf8ToLocal " + what);
  ExpectSame([](std::string_view s) { return LocalToUtf8(Text(s)); },
             [](std::string_view s) { return by_character::LocalToUtf8(Text(s)); }, in,
             "LocalToUtf8 " + what);
  ExpectSame([](std::string_view s) { return LocalToUtf16(Text(s)); },
             [](std::string_view s) { return by_character::LocalToUtf16(Text(s)); }, in,
             "LocalToUtf16 " + what);
}

void ExpectSameFromUnits(std::u16string_view in, const std::string& what) {
  ExpectSame(Utf16ToLocal, by_character::Utf16ToLocal, in, "Utf16ToLocal " + what);
}

// ASCII filler; `k` picks how much, so that the character after it falls on
// every position of a block over a sweep.
std::string Filler(unsigned k) {
  return std::string(k % 19, 'a' + static_cast<char>(k % 26));
}

// UTF-8 form of `cp`; surrogates get the (invalid) three-byte form.
std::string Utf8Of(char32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | (cp >> 6));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | (cp >> 12));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (cp >> 18));
    s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

TEST(CodePageBlocks, EveryCodePointAsUtf8) {
  constexpr char32_t kGroup = 0x1000;
  for (char32_t first = 1; first < 0x110000; first += kGroup) {
    std::string in;
    for (char32_t cp = first; cp < first + kGroup && cp < 0x110000; ++cp) {
      in += Filler(cp) + Utf8Of(cp);
    }
    in += std::string(20, 'z');
    ExpectSame([](std::string_view s) { return Utf8ToLocal(Utf8(s)); },
               [](std::string_view s) { return by_character::Utf8ToLocal(Utf8(s)); },
               std::string_view(in), "Utf8ToLocal from U+" + std::to_string(first));
  }
}

TEST(CodePageBlocks, EveryByteAndBytePairAsLocalText) {
  for (unsigned lead = 0; lead < 0x100; ++lead) {
    std::string in = Filler(lead) + static_cast<char>(lead) + Filler(lead + 7);
    for (unsigned trail = 0; trail < 0x100; ++trail) {
      in += Filler(trail) + static_cast<char>(lead) + static_cast<char>(trail);
    }
    in += static_cast<char>(lead);  // a lead byte as the very last byte
    ExpectSameFromBytes(in, "lead byte " + std::to_string(lead));
  }
}

TEST(CodePageBlocks, EveryUtf16Unit) {
  for (unsigned first = 1; first < 0x10000; first += 0x1000) {
    std::u16string in;
    for (unsigned u = first; u < first + 0x1000 && u < 0x10000; ++u) {
      for (const char c : Filler(u)) in += static_cast<char16_t>(c);
      in += static_cast<char16_t>(u);
      if (u % 3 == 0) in += static_cast<char16_t>(0xDC00 + u % 0x400);  // pairs with a high one
    }
    in += u"zzzzzzzzzzzzzzzz";
    ExpectSameFromUnits(in, "from U+" + std::to_string(first));
  }
}

// Random text of ASCII runs, code page 936 pairs, UTF-8 sequences (some cut
// short), stray bytes and zero bytes, and runs of two-byte characters and of
// three-byte UTF-8 ones, as the words of Chinese text come.
std::string RandomBytes(std::mt19937& rng, size_t pieces) {
  std::string s;
  auto pick = [&rng](unsigned lo, unsigned hi) {
    return std::uniform_int_distribution<unsigned>(lo, hi)(rng);
  };
  for (size_t k = 0; k < pieces; ++k) {
    switch (pick(0, 7)) {
      case 0:
      case 1:
        for (unsigned n = pick(0, 40); n > 0; --n) s += static_cast<char>(pick(1, 0x7F));
        break;
      case 6:
        for (unsigned n = pick(1, 12); n > 0; --n) {
          s += static_cast<char>(pick(0x81, 0xFE));
          s += static_cast<char>(pick(0, 7) == 0 ? pick(0x30, 0xFF) : pick(0xA1, 0xFE));
        }
        break;
      case 7:
        for (unsigned n = pick(1, 12); n > 0; --n) {
          const std::string u =
              Utf8Of(pick(0, 7) == 0 ? pick(0x700, 0xFFFF) : pick(0x4E00, 0x9FA5));
          s += pick(0, 15) == 0 ? u.substr(0, u.size() - 1) : u;
        }
        break;
      case 2:
        s += static_cast<char>(pick(0x81, 0xFE));
        s += static_cast<char>(pick(0x40, 0xFE));
        break;
      case 3: {
        const std::string u = Utf8Of(pick(0x80, 0x10FFFF));
        s += pick(0, 4) == 0 ? u.substr(0, u.size() - 1) : u;
        break;
      }
      case 4:
        s += static_cast<char>(pick(0x80, 0xFF));
        break;
      default:
        if (pick(0, 9) == 0) s += '\0';
        break;
    }
  }
  return s;
}

std::u16string RandomUnits(std::mt19937& rng, size_t pieces) {
  std::u16string s;
  auto pick = [&rng](unsigned lo, unsigned hi) {
    return std::uniform_int_distribution<unsigned>(lo, hi)(rng);
  };
  for (size_t k = 0; k < pieces; ++k) {
    switch (pick(0, 4)) {
      case 0:
      case 1:
        for (unsigned n = pick(0, 30); n > 0; --n) s += static_cast<char16_t>(pick(1, 0x7F));
        break;
      case 2:
        s += static_cast<char16_t>(pick(0x80, 0xFFFF));
        break;
      case 3:
        s += static_cast<char16_t>(pick(0xD800, 0xDBFF));
        s += static_cast<char16_t>(pick(0xDC00, 0xDFFF));
        break;
      default:
        if (pick(0, 9) == 0) s += u'\0';
        break;
    }
  }
  return s;
}

TEST(CodePageBlocks, SeededRandomMixesAtEveryAlignment) {
  std::mt19937 rng(20240915);
  for (int mix = 0; mix < 300; ++mix) {
    const size_t pieces = mix < 100 ? mix % 12 : 40 + mix;
    const std::string bytes = RandomBytes(rng, pieces);
    const std::u16string units = RandomUnits(rng, pieces);
    for (size_t skip = 0; skip < 17; ++skip) {
      const std::string what = "mix " + std::to_string(mix) + " from " + std::to_string(skip);
      if (skip <= bytes.size()) {
        ExpectSameFromBytes(std::string_view(bytes).substr(skip), what);
        ExpectSameFromBytes(std::string_view(bytes).substr(0, bytes.size() - skip), what + " cut");
      }
      if (skip <= units.size()) {
        ExpectSameFromUnits(std::u16string_view(units).substr(skip), what);
        ExpectSameFromUnits(std::u16string_view(units).substr(0, units.size() - skip),
                            what + " cut");
      }
    }
  }
}

}  // namespace
}  // namespace quorrin

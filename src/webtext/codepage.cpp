#include "webtext/codepage.h"

#include <iconv.h>
#include <cerrno>

#include <vector>

namespace quorrin {
namespace {

constexpr char32_t kQuestion = U'?';

// One iconv descriptor for the length of one conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in` (units of `unit` bytes); every input unit sequence that
  // cannot be converted is skipped by `skip` bytes and replaced by `fallback`.
  std::string Run(const char* in, size_t size, size_t skip, std::string_view fallback) {
    std::string out;
    if (!ok()) return out;
    out.resize(size * 2 + 16);
    char* src = const_cast<char*>(in);
    size_t left = size;
    size_t used = 0;
    while (left > 0) {
      char* dst = out.data() + used;
      size_t room = out.size() - used;
      const size_t rc = iconv(cd_, &src, &left, &dst, &room);
      used = static_cast<size_t>(dst - out.data());
      if (rc != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
      } else {
        // EILSEQ: not representable or invalid; EINVAL: incomplete at the end.
        if (out.size() - used < fallback.size()) out.resize(out.size() * 2);
        out.replace(used, fallback.size(), fallback);
        used += fallback.size();
        const size_t step = std::min(skip, left);
        src += step;
        left -= step;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    // Flush any shift state (none for these encodings, but harmless).
    char* dst = out.data() + used;
    size_t room = out.size() - used;
    iconv(cd_, nullptr, nullptr, &dst, &room);
    used = static_cast<size_t>(dst - out.data());
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

// Decodes UTF-8 into code points up to the first zero character. Each maximal
// invalid subsequence becomes one "?".
std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b == 0) break;
    if (b < 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
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
      out.push_back(kQuestion);
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool good = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n || p[j] < lo || p[j] > hi) {
        good = false;
        break;
      }
      cp = (cp << 6) | (p[j] & 0x3F);
      lo = 0x80;
      hi = 0xBF;
    }
    if (!good) {
      out.push_back(kQuestion);
      i = j;  // the maximal valid prefix counts as one bad sequence
      continue;
    }
    out.push_back(cp);
    i = j;
  }
  return out;
}

}  // namespace

Text Utf8ToLocal(std::string_view utf8) {
  if (utf8.empty()) return Text();
  bool ascii = true;
  size_t end = 0;
  for (; end < utf8.size(); ++end) {
    const unsigned char b = static_cast<unsigned char>(utf8[end]);
    if (b == 0) break;
    if (b >= 0x80) ascii = false;
  }
  if (ascii) return Text(utf8.substr(0, end));
  const std::u32string points = DecodeUtf8(utf8.substr(0, end));
  Converter conv("CP936", "UTF-32LE");
  static_assert(sizeof(char32_t) == 4);
  return conv.Run(reinterpret_cast<const char*>(points.data()), points.size() * 4, 4, "?");
}

std::string LocalToUtf8(std::string_view local) {
  size_t i = 0;
  while (i < local.size() && static_cast<unsigned char>(local[i]) < 0x80) ++i;
  if (i == local.size()) return std::string(local);
  Converter conv("UTF-8", "CP936");
  return conv.Run(local.data(), local.size(), 1, "?");
}

std::u16string LocalToUtf16(std::string_view local) {
  Converter conv("UTF-16LE", "CP936");
  const std::string bytes = conv.Run(local.data(), local.size(), 1, std::string_view("?\0", 2));
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t k = 0; k < out.size(); ++k) {
    out[k] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                   (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
  }
  return out;
}

Text Utf16ToLocal(std::u16string_view utf16) {
  std::string bytes(utf16.size() * 2, '\0');
  for (size_t k = 0; k < utf16.size(); ++k) {
    bytes[2 * k] = static_cast<char>(utf16[k] & 0xFF);
    bytes[2 * k + 1] = static_cast<char>(utf16[k] >> 8);
  }
  Converter conv("CP936", "UTF-16LE");
  Text out = conv.Run(bytes.data(), bytes.size(), 2, "?");
  return BytesToText(out);
}

}  // namespace quorrin

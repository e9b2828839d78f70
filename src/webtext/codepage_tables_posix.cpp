// The code page tables from iconv. Asking iconv one character at a time costs
// several milliseconds per process, so every character becomes one item of a
// long input, items separated by a line feed, and a few calls convert them
// all; the line feeds in the output tell which bytes belong to which item.
#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "webtext/codepage_tables.h"

namespace quorrin {
namespace {

const iconv_t kBadConverter = reinterpret_cast<iconv_t>(-1);

// What one item converted to: kFailed when the converter refused it, else its
// output without the separator: the size (3 standing for "more than two") and
// the first two bytes.
constexpr uint32_t kFailed = 0xFFFFFFFF;
uint32_t Packed(const unsigned char* bytes, size_t size) {
  const uint32_t b0 = size > 0 ? bytes[0] : 0, b1 = size > 1 ? bytes[1] : 0;
  return (static_cast<uint32_t>(std::min<size_t>(size, 3)) << 16) | (b0 << 8) | b1;
}
size_t PackedSize(uint32_t v) {
  return v >> 16;
}

// Items of one input, in the input's code units, each ending in the separator
// (the line feed, one unit).
struct Items {
  size_t unit = 1;             // bytes per code unit of the input
  std::vector<char> bytes;     // sized for all items up front
  std::vector<size_t> starts;  // byte offset of each item, plus the end

  Items(size_t unitBytes, size_t maxBytes, size_t count) : unit(unitBytes), bytes(maxBytes) {
    starts.reserve(count + 1);
    starts.push_back(0);
  }
};

bool IsSeparator(const unsigned char* p, size_t unit) {
  return p[0] == '\n' && (unit == 1 || p[1] == 0);
}

void ConvertItems(iconv_t cd, const Items& in, size_t first, size_t last, size_t outUnit,
                  bool ignoring, std::vector<uint32_t>& result);

// Converts each item of [first, last) in a call of its own.
void ConvertOneByOne(iconv_t cd, const Items& in, size_t first, size_t last, size_t outUnit,
                     std::vector<uint32_t>& result) {
  for (size_t k = first; k < last; ++k) ConvertItems(cd, in, k, k + 1, outUnit, false, result);
}

// Converts items [first, last) of `in` with `cd` (output units of `outUnit`
// bytes) into `result`. One call converts as far as it can; an item the
// converter refuses is marked failed, its partial output dropped, and the
// next call starts after it. With `ignoring`, the converter drops what it
// cannot convert by itself, giving an empty item. When the separators of the
// output do not line up with the items, each item is converted on its own.
void ConvertItems(iconv_t cd, const Items& in, size_t first, size_t last, size_t outUnit,
                  bool ignoring, std::vector<uint32_t>& result) {
  const size_t begin = in.starts[first], end = in.starts[last];
  // No item here grows by more than twice its size; a converter that needs
  // more room loses the split, and each item is then converted on its own.
  const size_t outSize = (end - begin) * 2 + 16;
  const std::unique_ptr<unsigned char[]> outBuffer(new unsigned char[outSize]);
  unsigned char* const out = outBuffer.get();
  std::vector<bool> failed(last - first, false);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* dst = reinterpret_cast<char*>(out);
  size_t room = outSize;
  size_t at = begin;
  bool lost = false;  // the output can no longer be split into items
  while (at < end) {
    char* src = const_cast<char*>(in.bytes.data()) + at;
    size_t left = end - at;
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    const size_t stop = end - left;
    if (r != static_cast<size_t>(-1) || left == 0) break;
    if (errno == E2BIG) {
      lost = true;
      break;
    }
    if (ignoring && stop > at) {  // dropped some input and paused; go on
      at = stop;
      continue;
    }
    // The item holding `stop` is refused: drop its output so far, back to the
    // last separator, and go on after it.
    const size_t k =
        static_cast<size_t>(std::upper_bound(in.starts.begin(), in.starts.end(), stop) -
                            in.starts.begin()) -
        1;
    failed[k - first] = true;
    size_t kept = static_cast<size_t>(reinterpret_cast<unsigned char*>(dst) - out);
    kept -= kept % outUnit;
    while (kept >= outUnit && !IsSeparator(&out[kept - outUnit], outUnit)) kept -= outUnit;
    dst = reinterpret_cast<char*>(out + kept);
    room = outSize - kept;
    at = in.starts[k + 1];
  }
  if (!lost && iconv(cd, nullptr, nullptr, &dst, &room) == static_cast<size_t>(-1)) lost = true;
  const size_t produced = outSize - room;

  // Split the output at its separators, one piece per item not refused.
  std::vector<uint32_t> pieces;
  pieces.reserve(last - first);
  size_t pieceStart = 0;
  for (size_t p = 0; !lost && p + outUnit <= produced; p += outUnit) {
    if (IsSeparator(&out[p], outUnit)) {
      pieces.push_back(Packed(&out[pieceStart], p - pieceStart));
      pieceStart = p + outUnit;
    }
  }
  const size_t expected = static_cast<size_t>(std::count(failed.begin(), failed.end(), false));
  if (lost || pieceStart != produced || pieces.size() != expected) {
    if (last - first == 1) {
      result[first] = kFailed;
    } else {
      ConvertOneByOne(cd, in, first, last, outUnit, result);
    }
    return;
  }
  size_t next = 0;
  for (size_t k = first; k < last; ++k) result[k] = failed[k - first] ? kFailed : pieces[next++];
}

// Converts all items: in a few calls when `batch`, else one call per item.
std::vector<uint32_t> ConvertAll(iconv_t cd, const Items& in, size_t outUnit, bool ignoring,
                                 bool batch) {
  std::vector<uint32_t> result(in.starts.size() - 1, kFailed);
  if (batch && !result.empty()) {
    ConvertItems(cd, in, 0, result.size(), outUnit, ignoring, result);
  } else {
    ConvertOneByOne(cd, in, 0, result.size(), outUnit, result);
  }
  return result;
}

// Appends one item of `units` code units (lowest byte first) and the separator.
void AddItem(Items& items, std::initializer_list<unsigned> units) {
  char* p = items.bytes.data() + items.starts.back();
  for (const unsigned u : units) {
    *p++ = static_cast<char>(u & 0xFF);
    if (items.unit == 2) *p++ = static_cast<char>(u >> 8);
  }
  *p++ = '\n';
  if (items.unit == 2) *p++ = '\0';
  items.starts.push_back(static_cast<size_t>(p - items.bytes.data()));
}

// The characters go in batches of a few thousand: a few calls each, and
// small buffers that the next batch reuses (first touches of fresh memory
// cost more than the conversion itself).
constexpr unsigned kBatch = 0x1000;

// UTF-16 units 0x80 to 0xFFFF (no surrogates) -> code page 936.
void FillToLocal(CodePageTables& t) {
  bool ignoring = true;
  iconv_t cd = iconv_open("CP936//IGNORE", "UTF-16LE");
  if (cd == kBadConverter) {
    ignoring = false;
    cd = iconv_open("CP936", "UTF-16LE");
  }
  if (cd == kBadConverter) return;
  for (unsigned first = 0; first < 0x10000; first += kBatch) {
    Items in(2, 4 * kBatch, kBatch);
    std::vector<unsigned> chars;
    chars.reserve(kBatch);
    for (unsigned c = std::max(first, 0x80u); c < first + kBatch; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      chars.push_back(c);
      AddItem(in, {c});
    }
    // Without dropping, every character code page 936 lacks (two thirds of
    // them) would stop a batch and cost a call; so would a call each.
    const std::vector<uint32_t> out = ConvertAll(cd, in, 1, ignoring, ignoring);
    for (size_t k = 0; k < chars.size(); ++k) {
      const uint32_t v = out[k];
      if (v == kFailed) continue;
      const unsigned b0 = (v >> 8) & 0xFF, b1 = v & 0xFF;
      if (PackedSize(v) == 1 && b0 >= 0x80) t.toLocal[chars[k]] = static_cast<uint16_t>(b0);
      if (PackedSize(v) == 2) t.toLocal[chars[k]] = static_cast<uint16_t>((b0 << 8) | b1);
    }
  }
  iconv_close(cd);
}

// Lone bytes 0x80 to 0xFF and byte pairs (lead 0x80 to 0xFF, trail 0x40 to
// 0xFF) -> UTF-16, kept when they make exactly one unit; a batch of lead
// bytes at a time.
void FillFromLocal(CodePageTables& t) {
  iconv_t cd = iconv_open("UTF-16LE", "CP936");
  if (cd == kBadConverter) return;
  constexpr unsigned kLeads = 16, kPerLead = 1 + 0xC0;
  for (unsigned firstLead = 0x80; firstLead < 0x100; firstLead += kLeads) {
    Items in(1, 3 * kLeads * kPerLead, kLeads * kPerLead);
    std::vector<unsigned> keys;  // the lone byte, or (lead << 8) | trail
    keys.reserve(kLeads * kPerLead);
    for (unsigned lead = firstLead; lead < firstLead + kLeads; ++lead) {
      keys.push_back(lead);
      AddItem(in, {lead});
      for (unsigned trail = 0x40; trail < 0x100; ++trail) {
        keys.push_back((lead << 8) | trail);
        AddItem(in, {lead, trail});
      }
    }
    const std::vector<uint32_t> out = ConvertAll(cd, in, 2, false, true);
    for (size_t k = 0; k < keys.size(); ++k) {
      const uint32_t v = out[k];
      if (v == kFailed || PackedSize(v) != 2) continue;
      // UTF-16LE: low byte first.
      const auto unit = static_cast<char16_t>(((v & 0xFF) << 8) | ((v >> 8) & 0xFF));
      if (keys[k] < 0x100) {
        t.fromSingle[keys[k]] = unit;
      } else {
        t.fromDouble[keys[k]] = unit;
      }
    }
  }
  iconv_close(cd);
}

}  // namespace

void BuildCodePageTables(CodePageTables& t) {
  for (unsigned c = 0; c < 0x80; ++c) t.toLocal[c] = static_cast<uint16_t>(c);
  FillToLocal(t);
  FillFromLocal(t);
}

}  // namespace quorrin

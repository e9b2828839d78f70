// Draws the program's icon (the same picture as the Linux window's: a pair
// of quavers over a download arrow on a blue tile) and writes it as a Windows
// .ico file with the sizes the shell asks for. Runs on the build machine:
//   make_icon OUT.ico
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Point {
  double x, y;
};
struct Rgba {
  double r, g, b, a;
};

// The picture in a 256 x 256 space, painted in order: tile, notes, arrow.
bool InRoundedRect(Point p, double x0, double y0, double x1, double y1, double radius) {
  if (p.x < x0 || p.x > x1 || p.y < y0 || p.y > y1) return false;
  const double cx = std::clamp(p.x, x0 + radius, x1 - radius);
  const double cy = std::clamp(p.y, y0 + radius, y1 - radius);
  return (p.x - cx) * (p.x - cx) + (p.y - cy) * (p.y - cy) <= radius * radius;
}

bool InRect(Point p, double x, double y, double w, double h) {
  return p.x >= x && p.x <= x + w && p.y >= y && p.y <= y + h;
}

bool InEllipse(Point p, double x, double y, double w, double h) {
  const double dx = (p.x - (x + w / 2)) / (w / 2);
  const double dy = (p.y - (y + h / 2)) / (h / 2);
  return dx * dx + dy * dy <= 1;
}

bool InPolygon(Point p, const std::vector<Point>& poly) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point a = poly[i], b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}

double DistanceToEdges(Point p, const std::vector<Point>& poly) {
  double best = 1e9;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point a = poly[j], b = poly[i];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t =
        std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    best = std::min(best, std::sqrt(ex * ex + ey * ey));
  }
  return best;
}

Rgba Sample(Point p) {
  static const std::vector<Point> beam = {{74, 80}, {150, 56}, {150, 76}, {74, 100}};
  static const std::vector<Point> arrow = {{176, 150}, {204, 150}, {162, 198}, {120, 150},
                                           {148, 150}, {148, 114}, {176, 114}};
  const Rgba darkBlue{0x1F, 0x4F, 0xA3, 1};
  Rgba c{0, 0, 0, 0};
  if (InRoundedRect(p, 12, 12, 244, 244, 48)) {
    const double t = p.y / 256;
    c = Rgba{0x4F + (0x1F - 0x4F) * t, 0x8F + (0x4F - 0x8F) * t, 0xE8 + (0xA3 - 0xE8) * t, 1};
  }
  if (InRect(p, 134, 56, 16, 108) || InRect(p, 74, 80, 16, 100) || InPolygon(p, beam) ||
      InEllipse(p, 90, 146, 60, 44) || InEllipse(p, 30, 166, 60, 44))
    c = Rgba{255, 255, 255, 1};
  if (DistanceToEdges(p, arrow) <= 3) {
    c = darkBlue;
  } else if (InPolygon(p, arrow)) {
    c = Rgba{0xFF, 0xD5, 0x4A, 1};
  }
  return c;
}

// BGRA rows, top row first, each pixel averaged over a grid of samples.
std::vector<uint8_t> Draw(int side) {
  const int grid = side <= 64 ? 8 : 4;
  std::vector<uint8_t> out(static_cast<size_t>(side) * side * 4);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < grid; ++sy) {
        for (int sx = 0; sx < grid; ++sx) {
          const Point p{(x + (sx + 0.5) / grid) * 256.0 / side,
                        (y + (sy + 0.5) / grid) * 256.0 / side};
          const Rgba c = Sample(p);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      uint8_t* px = &out[(static_cast<size_t>(y) * side + x) * 4];
      const double n = grid * grid;
      px[0] = static_cast<uint8_t>(a > 0 ? std::lround(b / a) : 0);
      px[1] = static_cast<uint8_t>(a > 0 ? std::lround(g / a) : 0);
      px[2] = static_cast<uint8_t>(a > 0 ? std::lround(r / a) : 0);
      px[3] = static_cast<uint8_t>(std::lround(a / n * 255));
    }
  }
  return out;
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(x & 0xFF);
  v.push_back((x >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
void PutBig32(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back((x >> s) & 0xFF);
}

// A small icon as a 32-bit bitmap: header, bottom-up pixels, empty mask.
std::vector<uint8_t> BitmapEntry(int side, const std::vector<uint8_t>& bgra) {
  std::vector<uint8_t> v;
  Put32(v, 40);
  Put32(v, side);
  Put32(v, side * 2);  // pixels and mask
  Put16(v, 1);
  Put16(v, 32);
  for (int i = 0; i < 6; ++i) Put32(v, 0);
  for (int y = side - 1; y >= 0; --y)
    v.insert(v.end(), bgra.begin() + static_cast<long>(y) * side * 4,
             bgra.begin() + static_cast<long>(y + 1) * side * 4);
  const int maskRow = ((side + 31) / 32) * 4;
  v.insert(v.end(), static_cast<size_t>(maskRow) * side, 0);
  return v;
}

// Deflate with the fixed codes and runs of the previous byte: enough for a
// picture of flat areas after PNG's Sub filter.
class BitWriter {
 public:
  void Bits(uint32_t value, int count) {  // least significant bit first
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void Code(uint32_t code, int length) {  // Huffman codes go most significant bit first
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  std::vector<uint8_t> Finish() {
    if (used_) bytes_.push_back(current_);
    return bytes_;
  }

 private:
  void Bit(uint32_t b) {
    current_ |= static_cast<uint8_t>(b << used_);
    if (++used_ == 8) {
      bytes_.push_back(current_);
      current_ = 0;
      used_ = 0;
    }
  }
  std::vector<uint8_t> bytes_;
  uint8_t current_ = 0;
  int used_ = 0;
};

void Literal(BitWriter& w, int symbol) {
  if (symbol < 144) {
    w.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    w.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    w.Code(symbol - 256, 7);
  } else {
    w.Code(0xC0 + symbol - 280, 8);
  }
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data) {
  static constexpr int kBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static constexpr int kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  BitWriter w;
  w.Bits(1, 1);  // the last block
  w.Bits(1, 2);  // fixed codes
  for (size_t i = 0; i < data.size();) {
    size_t run = 0;
    if (i > 0)
      while (i + run < data.size() && run < 258 && data[i + run] == data[i - 1]) ++run;
    if (run >= 3) {
      int k = 28;
      while (kBase[k] > static_cast<int>(run)) --k;
      Literal(w, 257 + k);
      w.Bits(static_cast<uint32_t>(run - kBase[k]), kExtra[k]);
      w.Code(0, 5);  // distance 1
      i += run;
    } else {
      Literal(w, data[i]);
      ++i;
    }
  }
  Literal(w, 256);
  return w.Finish();
}

uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  PutBig32(png, Crc(body.data(), body.size()));
}

// A large icon as PNG, as the shell expects for 256 pixels.
std::vector<uint8_t> PngEntry(int side, const std::vector<uint8_t>& bgra) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < side; ++y) {
    raw.push_back(1);  // Sub filter
    for (int x = 0; x < side * 4; ++x) {
      const size_t at = static_cast<size_t>(y) * side * 4 + x;
      const int channel = x % 4;
      const uint8_t value = bgra[at - channel + (channel == 3 ? 3 : 2 - channel)];  // RGBA
      uint8_t left = 0;
      if (x >= 4) {
        const size_t l = at - 4;
        left = bgra[l - channel + (channel == 3 ? 3 : 2 - channel)];
      }
      raw.push_back(static_cast<uint8_t>(value - left));
    }
  }
  std::vector<uint8_t> zlib = {0x78, 0x01};
  const std::vector<uint8_t> deflated = Deflate(raw);
  zlib.insert(zlib.end(), deflated.begin(), deflated.end());
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(zlib, (b << 16) | a);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(side));
  PutBig32(header, static_cast<uint32_t>(side));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", zlib);
  Chunk(png, "IEND", {});
  return png;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUT.ico\n");
    return 2;
  }
  const std::array<int, 8> sides = {16, 20, 24, 32, 40, 48, 64, 256};
  std::vector<std::vector<uint8_t>> entries;
  for (int side : sides) {
    const std::vector<uint8_t> bgra = Draw(side);
    entries.push_back(side >= 256 ? PngEntry(side, bgra) : BitmapEntry(side, bgra));
  }
  std::vector<uint8_t> ico;
  Put16(ico, 0);
  Put16(ico, 1);  // icon
  Put16(ico, static_cast<uint32_t>(sides.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(sides.size());
  for (size_t i = 0; i < sides.size(); ++i) {
    ico.push_back(static_cast<uint8_t>(sides[i] >= 256 ? 0 : sides[i]));
    ico.push_back(static_cast<uint8_t>(sides[i] >= 256 ? 0 : sides[i]));
    ico.push_back(0);
    ico.push_back(0);
    Put16(ico, 1);
    Put16(ico, 32);
    Put32(ico, static_cast<uint32_t>(entries[i].size()));
    Put32(ico, offset);
    offset += static_cast<uint32_t>(entries[i].size());
  }
  for (const auto& e : entries) ico.insert(ico.end(), e.begin(), e.end());
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(ico.data()), static_cast<std::streamsize>(ico.size()));
  return out ? 0 : 1;
}

// Draws the program's icon (ui/app_icon.h, the picture the Qt window paints)
// and writes it as a Windows .ico file with the sizes the shell asks for.
// Runs on the build machine, with its zlib for the PNG entry:
//   make_icon OUT.ico
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "ui/app_icon.h"

namespace {

namespace icon = quorrin::ui::icon;
using icon::Point;
struct Rgba {
  double r, g, b, a;
};

// The picture in a 256 x 256 space, painted in order: tile, notes, arrow.
bool InRoundedRect(Point p, icon::Box box, double radius) {
  const double x0 = box.x, y0 = box.y, x1 = box.x + box.w, y1 = box.y + box.h;
  if (p.x < x0 || p.x > x1 || p.y < y0 || p.y > y1) return false;
  const double cx = std::clamp(p.x, x0 + radius, x1 - radius);
  const double cy = std::clamp(p.y, y0 + radius, y1 - radius);
  return (p.x - cx) * (p.x - cx) + (p.y - cy) * (p.y - cy) <= radius * radius;
}

bool InRect(Point p, icon::Box b) {
  return p.x >= b.x && p.x <= b.x + b.w && p.y >= b.y && p.y <= b.y + b.h;
}

bool InEllipse(Point p, icon::Box b) {
  const double dx = (p.x - (b.x + b.w / 2)) / (b.w / 2);
  const double dy = (p.y - (b.y + b.h / 2)) / (b.h / 2);
  return dx * dx + dy * dy <= 1;
}

template <size_t N>
bool InPolygon(Point p, const Point (&poly)[N]) {
  bool inside = false;
  for (size_t i = 0, j = N - 1; i < N; j = i++) {
    const Point a = poly[i], b = poly[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}

template <size_t N>
double DistanceToEdges(Point p, const Point (&poly)[N]) {
  double best = 1e9;
  for (size_t i = 0, j = N - 1; i < N; j = i++) {
    const Point a = poly[j], b = poly[i];
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t =
        std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    best = std::min(best, std::sqrt(ex * ex + ey * ey));
  }
  return best;
}

Rgba Opaque(icon::Colour c) {
  return Rgba{static_cast<double>(c.r), static_cast<double>(c.g), static_cast<double>(c.b), 1};
}

Rgba Sample(Point p) {
  Rgba c{0, 0, 0, 0};
  if (InRoundedRect(p, icon::kTile, icon::kTileRadius)) {
    const double t = p.y / 256;
    const icon::Colour top = icon::kTileTop, bottom = icon::kTileBottom;
    c = Rgba{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
             top.b + (bottom.b - top.b) * t, 1};
  }
  const bool note = std::any_of(std::begin(icon::kStems), std::end(icon::kStems),
                                [p](icon::Box b) { return InRect(p, b); }) ||
                    InPolygon(p, icon::kBeam) ||
                    std::any_of(std::begin(icon::kHeads), std::end(icon::kHeads),
                                [p](icon::Box b) { return InEllipse(p, b); });
  if (note) c = Opaque(icon::kNotes);
  if (DistanceToEdges(p, icon::kArrow) <= icon::kArrowOutlineWidth / 2) {
    c = Opaque(icon::kArrowOutline);
  } else if (InPolygon(p, icon::kArrow)) {
    c = Opaque(icon::kArrowFill);
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

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  PutBig32(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
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
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> zlib(size);
  if (compress2(zlib.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
    return {};
  }
  zlib.resize(size);

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
    if (entries.back().empty()) return 1;
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

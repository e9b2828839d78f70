#include "win32/qr_picture.h"

#include <qrencode.h>

#include <algorithm>

namespace quorrin::win32 {
namespace {

struct Canvas {
  BYTE* bits;
  int side;
  int stride;
  void Fill(int x0, int y0, int x1, int y1, COLORREF c) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, side);
    y1 = std::min(y1, side);
    for (int y = y0; y < y1; ++y) {
      BYTE* p = bits + static_cast<ptrdiff_t>(y) * stride + 3 * x0;
      for (int x = x0; x < x1; ++x, p += 3) {
        p[0] = GetBValue(c);
        p[1] = GetGValue(c);
        p[2] = GetRValue(c);
      }
    }
  }
};

}  // namespace

HBITMAP QrBitmap(const Utf8& text, int side, const std::wstring& caption, COLORREF frame,
                 const LOGFONTW& font) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = side;
  info.bmiHeader.biHeight = -side;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  Canvas canvas{static_cast<BYTE*>(bits), side, (side * 3 + 3) & ~3};
  canvas.Fill(0, 0, side, side, RGB(255, 255, 255));

  QRcode* code = QRcode_encodeString(text.value.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
  if (!code) return bitmap;
  const bool decorated = !caption.empty();
  const int border = decorated ? side / 14 : 0;
  const int captionHeight = decorated ? side / 9 : 0;
  if (decorated) {
    canvas.Fill(0, 0, side, side, frame);
    canvas.Fill(border, border, side - border, side - border - captionHeight, RGB(255, 255, 255));
  }
  // Whole pixels per module keep the code sharp; four modules of quiet zone.
  const int area = side - 2 * border - captionHeight;
  const int cell = std::max(1, area / (code->width + 8));
  const int left = (side - code->width * cell) / 2;
  const int top = border + (area - code->width * cell) / 2;
  for (int y = 0; y < code->width; ++y) {
    for (int x = 0; x < code->width; ++x) {
      if (code->data[y * code->width + x] & 1)
        canvas.Fill(left + x * cell, top + y * cell, left + (x + 1) * cell, top + (y + 1) * cell,
                    RGB(0, 0, 0));
    }
  }
  QRcode_free(code);

  if (decorated) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    LOGFONTW face = font;
    face.lfHeight = -(captionHeight * 2 / 3);
    face.lfWidth = 0;
    face.lfWeight = FW_BOLD;
    face.lfQuality = ANTIALIASED_QUALITY;
    HFONT bold = CreateFontIndirectW(&face);
    HGDIOBJ oldFont = SelectObject(dc, bold);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    RECT line{0, side - border - captionHeight, side, side - border};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &line,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(bold);
    SelectObject(dc, oldBitmap);
    DeleteDC(dc);
  }
  return bitmap;
}

}  // namespace quorrin::win32

#include "qt/pictures.h"

#include <qrencode.h>

#include <QPainter>

namespace quorrin {

QImage QrPicture(const QString& text, int side, const QString& caption, QColor frame) {
  QImage image(side, side, QImage::Format_RGB32);
  image.fill(Qt::white);
  QRcode* code = QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
  if (!code) return image;
  QPainter painter(&image);
  const bool decorated = !caption.isEmpty();
  const int border = decorated ? side / 14 : 0;
  const int captionHeight = decorated ? side / 9 : 0;
  if (decorated) {
    painter.fillRect(image.rect(), frame);
    painter.fillRect(QRect(border, border, side - 2 * border, side - 2 * border - captionHeight),
                     Qt::white);
    QFont font = painter.font();
    font.setPixelSize(captionHeight * 2 / 3);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, side - border - captionHeight, side, captionHeight), Qt::AlignCenter,
                     caption);
  }
  const int area = side - 2 * border - captionHeight;
  const int modules = code->width + 8;  // four modules of quiet zone on each side
  const double cell = static_cast<double>(area) / modules;
  const double left = (side - code->width * cell) / 2.0;
  const double top = border + (area - code->width * cell) / 2.0;
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  for (int y = 0; y < code->width; ++y) {
    for (int x = 0; x < code->width; ++x) {
      if (code->data[y * code->width + x] & 1)
        painter.drawRect(QRectF(left + x * cell, top + y * cell, cell + 0.5, cell + 0.5));
    }
  }
  QRcode_free(code);
  return image;
}

QImage AppIconImage(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 256.0, side / 256.0);
  QLinearGradient tile(0, 0, 0, 256);
  tile.setColorAt(0, QColor(0x4F, 0x8F, 0xE8));
  tile.setColorAt(1, QColor(0x1F, 0x4F, 0xA3));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(12, 12, 232, 232), 48, 48);
  // A pair of quavers.
  p.setBrush(Qt::white);
  p.drawRect(QRectF(134, 56, 16, 108));
  p.drawRect(QRectF(74, 80, 16, 100));
  p.drawPolygon(QPolygonF({QPointF(74, 80), QPointF(150, 56), QPointF(150, 76), QPointF(74, 100)}));
  p.drawEllipse(QRectF(90, 146, 60, 44));
  p.drawEllipse(QRectF(30, 166, 60, 44));
  // A download arrow.
  p.setBrush(QColor(0xFF, 0xD5, 0x4A));
  p.setPen(QPen(QColor(0x1F, 0x4F, 0xA3), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolygon(
      QPolygonF({QPointF(176, 150), QPointF(204, 150), QPointF(162, 198), QPointF(120, 150),
                 QPointF(148, 150), QPointF(148, 114), QPointF(176, 114)}));
  return image;
}

}  // namespace quorrin

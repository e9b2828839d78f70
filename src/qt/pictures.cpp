#include "qt/pictures.h"

#include <qrencode.h>

#include <QPainter>

#include "ui/app_icon.h"

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
  namespace icon = ui::icon;
  auto colour = [](icon::Colour c) { return QColor(c.r, c.g, c.b); };
  auto rect = [](icon::Box b) { return QRectF(b.x, b.y, b.w, b.h); };
  auto polygon = [](const auto& points) {
    QPolygonF out;
    for (const icon::Point& p : points) out << QPointF(p.x, p.y);
    return out;
  };
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 256.0, side / 256.0);
  QLinearGradient tile(0, 0, 0, 256);
  tile.setColorAt(0, colour(icon::kTileTop));
  tile.setColorAt(1, colour(icon::kTileBottom));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(rect(icon::kTile), icon::kTileRadius, icon::kTileRadius);
  p.setBrush(colour(icon::kNotes));
  for (const icon::Box& stem : icon::kStems) p.drawRect(rect(stem));
  p.drawPolygon(polygon(icon::kBeam));
  for (const icon::Box& head : icon::kHeads) p.drawEllipse(rect(head));
  p.setBrush(colour(icon::kArrowFill));
  p.setPen(QPen(colour(icon::kArrowOutline), icon::kArrowOutlineWidth, Qt::SolidLine, Qt::RoundCap,
                Qt::RoundJoin));
  p.drawPolygon(polygon(icon::kArrow));
  return image;
}

}  // namespace quorrin

// Pictures the program draws itself: the QR codes of the sponsor tab and the
// window icon.
#pragma once

#include <QImage>
#include <QString>

namespace quorrin {

// A QR code of `text`, `side` pixels square; with a caption and a coloured
// frame when `caption` is not empty.
QImage QrPicture(const QString& text, int side, const QString& caption, QColor frame);

// The program's icon: a note over a download arrow on a blue tile.
QImage AppIconImage(int side);

}  // namespace quorrin

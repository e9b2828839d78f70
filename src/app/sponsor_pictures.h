// The four pictures of the sponsor tab: QR codes of our own addresses.
#pragma once

#include <QImage>
#include <QString>

namespace quorrin {

// A QR code of `text`, `side` pixels square; with a caption and a coloured
// frame when `caption` is not empty.
QImage QrPicture(const QString& text, int side, const QString& caption, QColor frame);

}  // namespace quorrin

// Conversions between the program's local text (code page 936) and QString.
#pragma once

#include <QString>

#include "webtext/codepage.h"

namespace quorrin {

inline QString FromLocal(const Text& text) {
  return QString::fromStdString(LocalToUtf8(text));
}
inline Text ToLocal(const QString& text) {
  return Utf8ToLocal(text.toStdString());
}

}  // namespace quorrin

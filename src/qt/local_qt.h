// Conversions between the program's local text (code page 936) and QString.
#pragma once

#include <QString>

#include "webtext/codepage.h"
#include "webtext/path_text.h"

namespace quorrin {

inline QString FromLocal(const Text& text) {
  return QString::fromStdString(LocalToUtf8(text).value);
}
inline Text ToLocal(const QString& text) {
  return Utf8ToLocal(Utf8(text.toStdString()));
}
inline QString FromUtf8(const Utf8& text) {
  return QString::fromStdString(text.value);
}
inline QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
// A folder box's text as a path and back, without passing code page 936.
inline std::filesystem::path ToPath(const QString& text) {
  return PathFromUtf8(Utf8(text.toStdString()));
}
inline QString FromPath(const std::filesystem::path& path) {
  return QString::fromStdString(PathToUtf8(path).value);
}

}  // namespace quorrin

// A multi-line edit box that keeps its text byte for byte, line breaks
// included ("\r\n" stays "\r\n"), as the ID buffer needs.
#pragma once

#include <QPlainTextEdit>

#include "webtext/text.h"

namespace quorrin {

class RawTextBox : public QPlainTextEdit {
 public:
  explicit RawTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUndoRedoEnabled(false);
  }
  const Text& RawText() const { return text_; }
  void SetRawText(const Text& text);
  void AppendRawText(const Text& text);

 private:
  Text text_;
};

}  // namespace quorrin

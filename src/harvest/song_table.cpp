#include "harvest/song_table.h"

namespace quorrin {

void IdBuffer::Empty() {
  window_.SetText(controls::kIdBuffer, Text());
}
void IdBuffer::Append(const Text& text) {
  window_.AppendText(controls::kIdBuffer, text);
}
Text IdBuffer::Read() {
  return window_.GetText(controls::kIdBuffer);
}

std::vector<WorkId> SplitIdBuffer(const Text& text) {
  const std::string_view buffer = text.view();
  std::vector<WorkId> ids;
  size_t at = 0;
  while (at < buffer.size()) {
    const size_t sep = buffer.find("\r\n", at);
    if (sep == std::string_view::npos) {
      ids.push_back(WorkId(buffer.substr(at)));
      break;
    }
    ids.push_back(WorkId(buffer.substr(at, sep - at)));
    at = sep + 2;
  }
  return ids;
}

}  // namespace quorrin

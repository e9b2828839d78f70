#include "cli/terminal_window.h"

#include "harvest/capture_collection.h"
#include "harvest/song_table.h"
#include "webtext/codepage.h"

namespace quorrin::cli {
namespace {

// Runs `apply` through the job's gate when there is a job, at once otherwise.
// Inside, the in-memory window is called without the token: the gate is
// already passed.
template <class F>
void Gated(JobToken* job, F&& apply) {
  if (job) {
    job->Apply(apply);
  } else {
    apply();
  }
}

}  // namespace

void TerminalWindow::SetText(std::string_view control, const Text& text, JobToken* job) {
  Gated(job, [&] {
    MemoryWindow::SetText(control, text, nullptr);
    if (control == controls::kStatusLine) output_.Status(LocalToUtf8(text), Clock::now());
  });
}

void TerminalWindow::SetCaption(std::string_view control, const Text& text, JobToken* job) {
  Gated(job, [&] {
    const bool changed = Caption(control) != text;
    MemoryWindow::SetCaption(control, text, nullptr);
    // Any caption of the song list but its plain one tells of a failure.
    if (control == controls::kSongGroup && changed && text != Utf8ToLocal(kSongCaption))
      output_.Message(LocalToUtf8(text));
  });
}

void TerminalWindow::SetCell(int row, int column, const Text& text, JobToken* job) {
  Gated(job, [&] {
    MemoryWindow::SetCell(row, column, text, nullptr);
    // A harvest writes a row's download address last.
    if (column != kDownloadAddressColumn || row < 0 || row >= MemoryWindow::RowCount(nullptr))
      return;
    RowCells cells;
    for (int c = 0; c < static_cast<int>(cells.size()); ++c)
      cells[c] = LocalToUtf8(MemoryWindow::CellText(row, c, nullptr));
    output_.Row(cells);
  });
}

MessageId TerminalWindow::OpenMessage(const Text& text, const Text& title,
                                      std::function<void()> closed, JobToken* job) {
  MessageId id = 0;
  Gated(job, [&] {
    id = MemoryWindow::OpenMessage(text, title, nullptr, nullptr);
    output_.Message(LocalToUtf8(text));
  });
  // Closed at once, outside the gate, as the in-memory window closes its own.
  if (id != 0 && closed) closed();
  return id;
}

}  // namespace quorrin::cli

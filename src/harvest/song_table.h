// The song table (the rows of the song list) and the ID buffer (the hidden
// edit box that holds collected work IDs, one per line).
#pragma once

#include <string>
#include <vector>

#include "jobs/job_window.h"
#include "webtext/text.h"

namespace quorrin {

using WorkId = Text;

// One row's five cells, in column order.
struct SongRow {
  Text number;           // 0: "1", "2", ...
  Text title;            // 1
  Text playAddress;      // 2
  Text downloadAddress;  // 3
  WorkId workId;         // 4
};

enum SongColumn : int {
  kNumberColumn = 0,
  kTitleColumn = 1,
  kPlayAddressColumn = 2,
  kDownloadAddressColumn = 3,
  kWorkIdColumn = 4,
};

// The song list's rows, through the window layer; no second copy exists.
class SongTable {
 public:
  explicit SongTable(JobWindow& window) : window_(window) {}
  void Clear() { window_.ClearRows(); }
  void AppendRow() { window_.AppendRow(); }
  void SetCell(int row, int column, const Text& text) { window_.SetCell(row, column, text); }
  Text CellText(int row, int column) { return window_.CellText(row, column); }
  int RowCount() { return window_.RowCount(); }
  int SelectedRow() { return window_.SelectedRow(); }

 private:
  JobWindow& window_;
};

// The collected work IDs, each followed by "\r\n", in the hidden edit box.
class IdBuffer {
 public:
  explicit IdBuffer(JobWindow& window) : window_(window) {}
  void Empty();
  void Append(const Text& text);
  Text Read();

 private:
  JobWindow& window_;
};

// Splits on "\r\n"; what follows the last separator counts only when not empty.
std::vector<WorkId> SplitIdBuffer(const Text& buffer);

}  // namespace quorrin

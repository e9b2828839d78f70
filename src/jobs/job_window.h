// A job's view of the window: every call passes the job's token, so that
// nothing of an ended job reaches the controls.
#pragma once

#include <string_view>

#include "jobs/job_token.h"
#include "jobs/window_layer.h"

namespace quorrin {

class JobWindow {
 public:
  // `job` may be null for calls made on the window thread outside any job.
  JobWindow(WindowLayer& layer, JobToken* job) : layer_(layer), job_(job) {}

  Text GetText(std::string_view control) { return layer_.GetText(control, job_); }
  void SetText(std::string_view control, const Text& text) { layer_.SetText(control, text, job_); }
  void AppendText(std::string_view control, const Text& text) {
    layer_.AppendText(control, text, job_);
  }
  void SetCaption(std::string_view control, const Text& text) {
    layer_.SetCaption(control, text, job_);
  }
  void SetTextColour(std::string_view control, Colour colour) {
    layer_.SetTextColour(control, colour, job_);
  }
  std::filesystem::path GetPath(std::string_view control) { return layer_.GetPath(control, job_); }
  void SetPath(std::string_view control, const std::filesystem::path& path) {
    layer_.SetPath(control, path, job_);
  }
  void ClearRows() { layer_.ClearRows(job_); }
  void AppendRow() { layer_.AppendRow(job_); }
  void SetCell(int row, int column, const Text& text) { layer_.SetCell(row, column, text, job_); }
  Text CellText(int row, int column) { return layer_.CellText(row, column, job_); }
  int RowCount() { return layer_.RowCount(job_); }
  int SelectedRow() { return layer_.SelectedRow(job_); }

  // Shows a message box and waits until the user closes it or the job is
  // ended (which closes the box). False when the job was ended.
  bool ShowMessage(const Text& text, const Text& title);

  JobToken* job() const { return job_; }
  WindowLayer& layer() const { return layer_; }

 private:
  WindowLayer& layer_;
  JobToken* job_;
};

}  // namespace quorrin

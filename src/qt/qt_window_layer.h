// The window layer on the real controls. Calls from workers run on the window
// thread while the worker waits, so one caller's calls apply in order and a
// read sees every earlier write; a call of an ended job is dropped where it
// is applied. Job messages are non-modal boxes that block only their worker.
#pragma once

#include <QObject>
#include <QPointer>

#include <map>

#include "jobs/window_layer.h"

class QLineEdit;
class QGroupBox;
class QLabel;
class QTreeWidget;
class QMessageBox;

namespace quorrin {

class RawTextBox;

// The controls the layer reaches, by role.
struct LayerControls {
  QLineEdit* anchorNumber = nullptr;    // 编辑框1
  RawTextBox* idBuffer = nullptr;       // 编辑框2
  QLineEdit* downloadFolder = nullptr;  // 编辑框3
  QGroupBox* songGroup = nullptr;       // 分组框1
  QLabel* statusLine = nullptr;         // 透明标签1
  QTreeWidget* songList = nullptr;      // 超级列表框1
};

class QtWindowLayer : public QObject, public WindowLayer {
 public:
  QtWindowLayer() = default;
  void Attach(const LayerControls& controls) { c_ = controls; }

  Text GetText(std::string_view control, JobToken* job) override;
  void SetText(std::string_view control, const Text& text, JobToken* job) override;
  void AppendText(std::string_view control, const Text& text, JobToken* job) override;
  void SetCaption(std::string_view control, const Text& text, JobToken* job) override;
  void SetTextColour(std::string_view control, Colour colour, JobToken* job) override;
  std::filesystem::path GetPath(std::string_view control, JobToken* job) override;
  void SetPath(std::string_view control, const std::filesystem::path& path, JobToken* job) override;
  void ClearRows(JobToken* job) override;
  void AppendRow(JobToken* job) override;
  void SetCell(int row, int column, const Text& text, JobToken* job) override;
  Text CellText(int row, int column, JobToken* job) override;
  int RowCount(JobToken* job) override;
  int SelectedRow(JobToken* job) override;
  MessageId OpenMessage(const Text& text, const Text& title, std::function<void()> closed,
                        JobToken* job) override;
  void CloseMessage(MessageId id) override;

  // Job boxes still open (tests).
  std::vector<QMessageBox*> OpenBoxes() const;

 private:
  template <class F>
  auto OnWindowThread(JobToken* job, F&& apply);

  LayerControls c_;
  std::map<MessageId, QPointer<QMessageBox>> boxes_;  // window thread only
  MessageId nextBox_ = 1;
};

}  // namespace quorrin

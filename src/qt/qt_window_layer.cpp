#include "qt/qt_window_layer.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>
#include <QTreeWidget>

#include "qt/local_qt.h"
#include "qt/raw_text_box.h"

namespace quorrin {

void RawTextBox::SetRawText(const Text& text) {
  text_ = text;
  setPlainText(FromLocal(text));
}

void RawTextBox::AppendRawText(const Text& text) {
  text_ += text;
  moveCursor(QTextCursor::End);
  insertPlainText(FromLocal(text));
}

template <class F>
auto QtWindowLayer::OnWindowThread(JobToken* job, F&& apply) {
  using R = decltype(apply());
  R result{};
  if (job && job->Ended()) return result;
  auto run = [&] {
    if (job) {
      job->Apply([&] { result = apply(); });
    } else {
      result = apply();
    }
  };
  if (QThread::currentThread() == thread()) {
    run();
  } else {
    QMetaObject::invokeMethod(this, run, Qt::BlockingQueuedConnection);
  }
  return result;
}

Text QtWindowLayer::GetText(std::string_view control, JobToken* job) {
  return OnWindowThread(job, [&] {
    if (control == controls::kAnchorNumber) return ToLocal(c_.anchorNumber->text());
    if (control == controls::kDownloadFolder) return ToLocal(c_.downloadFolder->text());
    if (control == controls::kIdBuffer) return c_.idBuffer->RawText();
    return Text();
  });
}

std::filesystem::path QtWindowLayer::GetPath(std::string_view control, JobToken* job) {
  return OnWindowThread(job, [&] {
    if (control == controls::kDownloadFolder) return ToPath(c_.downloadFolder->text());
    return std::filesystem::path();
  });
}

void QtWindowLayer::SetPath(std::string_view control, const std::filesystem::path& path,
                            JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kDownloadFolder) c_.downloadFolder->setText(FromPath(path));
    return 0;
  });
}

void QtWindowLayer::SetText(std::string_view control, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kIdBuffer) c_.idBuffer->SetRawText(text);
    if (control == controls::kDownloadFolder) c_.downloadFolder->setText(FromLocal(text));
    if (control == controls::kAnchorNumber) c_.anchorNumber->setText(FromLocal(text));
    if (control == controls::kStatusLine) c_.statusLine->setText(FromLocal(text));
    return 0;
  });
}

void QtWindowLayer::AppendText(std::string_view control, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kIdBuffer) c_.idBuffer->AppendRawText(text);
    return 0;
  });
}

void QtWindowLayer::SetCaption(std::string_view control, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kSongGroup) c_.songGroup->setTitle(FromLocal(text));
    return 0;
  });
}

void QtWindowLayer::SetTextColour(std::string_view control, Colour colour, JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kStatusLine) {
      QPalette p = c_.statusLine->palette();
      p.setColor(QPalette::WindowText,
                 QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
      c_.statusLine->setPalette(p);
    }
    return 0;
  });
}

void QtWindowLayer::ClearRows(JobToken* job) {
  OnWindowThread(job, [&] {
    c_.songList->clear();
    return 0;
  });
}

void QtWindowLayer::AppendRow(JobToken* job) {
  OnWindowThread(job, [&] {
    auto* item = new QTreeWidgetItem(QStringList(5, QString()));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    c_.songList->addTopLevelItem(item);
    return 0;
  });
}

void QtWindowLayer::SetCell(int row, int column, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    if (QTreeWidgetItem* item = c_.songList->topLevelItem(row); item && column >= 0 && column < 5)
      item->setText(column, FromLocal(text));
    return 0;
  });
}

Text QtWindowLayer::CellText(int row, int column, JobToken* job) {
  return OnWindowThread(job, [&] {
    QTreeWidgetItem* item = row >= 0 ? c_.songList->topLevelItem(row) : nullptr;
    return item && column >= 0 && column < 5 ? ToLocal(item->text(column)) : Text();
  });
}

int QtWindowLayer::RowCount(JobToken* job) {
  return OnWindowThread(job, [&] { return c_.songList->topLevelItemCount(); });
}

int QtWindowLayer::SelectedRow(JobToken* job) {
  bool applied = false;
  const int row = OnWindowThread(job, [&] {
    applied = true;
    const auto items = c_.songList->selectedItems();
    return items.isEmpty() ? -1 : c_.songList->indexOfTopLevelItem(items.front());
  });
  return applied ? row : -1;
}

MessageId QtWindowLayer::OpenMessage(const Text& text, const Text& title,
                                     std::function<void()> closed, JobToken* job) {
  return OnWindowThread(job, [&]() -> MessageId {
    const QString caption = title.empty() ? QStringLiteral("信息：") : FromLocal(title);
    auto* box = new QMessageBox(QMessageBox::NoIcon, caption, FromLocal(text), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->setWindowModality(Qt::NonModal);
    const MessageId id = nextBox_++;
    boxes_[id] = box;
    QObject::connect(box, &QMessageBox::finished, this, [this, id, closed] {
      boxes_.erase(id);
      if (closed) closed();
    });
    box->show();
    return id;
  });
}

void QtWindowLayer::CloseMessage(MessageId id) {
  auto close = [this, id] {
    auto it = boxes_.find(id);
    if (it == boxes_.end()) return;
    QPointer<QMessageBox> box = it->second;
    boxes_.erase(it);
    if (box) {
      box->disconnect(this);
      box->close();
    }
  };
  if (QThread::currentThread() == thread()) {
    close();
  } else {
    QMetaObject::invokeMethod(this, close, Qt::QueuedConnection);
  }
}

std::vector<QMessageBox*> QtWindowLayer::OpenBoxes() const {
  std::vector<QMessageBox*> out;
  for (const auto& [id, box] : boxes_) {
    if (box) out.push_back(box);
  }
  return out;
}

}  // namespace quorrin

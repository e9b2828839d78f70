// The few operations through which jobs and handlers touch the window.
//
// Controls are addressed by their form names. Every call may come from any
// thread; each completes before it returns, so a caller's calls take effect in
// the order made and a read sees every earlier write of that caller. A call
// made for a job passes the job's token, and the implementation checks it at
// the moment the call is applied: a call of an ended job is dropped, and one
// racing the end is applied before JobToken::End returns or never.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

#include "jobs/job_token.h"
#include "webtext/text.h"

namespace quorrin {

namespace controls {
inline constexpr std::string_view kAnchorNumber = "编辑框1";  // the anchor's YY number
inline constexpr std::string_view kIdBuffer = "编辑框2";      // collected work IDs, hidden
inline constexpr std::string_view kDownloadFolder = "编辑框3";
inline constexpr std::string_view kSongGroup = "分组框1";  // frames the song list
inline constexpr std::string_view kStatusLine = "透明标签1";
inline constexpr std::string_view kSongList = "超级列表框1";
}  // namespace controls

// red + 256 * green + 65536 * blue
using Colour = uint32_t;
using MessageId = uint64_t;

class WindowLayer {
 public:
  virtual ~WindowLayer() = default;

  virtual Text GetText(std::string_view control, JobToken* job) = 0;
  virtual void SetText(std::string_view control, const Text& text, JobToken* job) = 0;
  virtual void AppendText(std::string_view control, const Text& text, JobToken* job) = 0;
  virtual void SetCaption(std::string_view control, const Text& text, JobToken* job) = 0;
  virtual void SetTextColour(std::string_view control, Colour colour, JobToken* job) = 0;

  // An edit box that holds a folder (the download folder), read and written
  // as a path in the system's own form, never through code page 936.
  virtual std::filesystem::path GetPath(std::string_view control, JobToken* job) = 0;
  virtual void SetPath(std::string_view control, const std::filesystem::path& path,
                       JobToken* job) = 0;

  // The song table: the rows of the song list.
  virtual void ClearRows(JobToken* job) = 0;
  virtual void AppendRow(JobToken* job) = 0;
  virtual void SetCell(int row, int column, const Text& text, JobToken* job) = 0;
  // Empty text for a row or column that does not exist.
  virtual Text CellText(int row, int column, JobToken* job) = 0;
  virtual int RowCount(JobToken* job) = 0;
  // -1 when no row is selected.
  virtual int SelectedRow(JobToken* job) = 0;

  // Opens a message box with one OK button and returns at once; `closed` runs,
  // on any thread, once the user has closed it. An empty title shows "信息：".
  // Gives 0 when the box was not opened (the job had ended).
  virtual MessageId OpenMessage(const Text& text, const Text& title, std::function<void()> closed,
                                JobToken* job) = 0;
  // Closes a box that is still open, without running its `closed`.
  virtual void CloseMessage(MessageId id) = 0;
};

}  // namespace quorrin

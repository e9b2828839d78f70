// The desktop services the commands need, implemented by each front end for
// its toolkit (and by a recorder in the tests).
#pragma once

#include <filesystem>

#include "webtext/text.h"

namespace quorrin::ui {

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Opens an address in the user's browser; returns at once, reports nothing.
  virtual void OpenAddress(const Utf8& address) = 0;
  // The modal folder chooser showing `prompt`; an empty path when cancelled.
  virtual std::filesystem::path ChooseFolder(const Utf8& prompt) = 0;
  // Places plain text on the clipboard.
  virtual void CopyToClipboard(const Utf8& text) = 0;
  // A message shown on the window thread, holding the window until closed.
  virtual void ShowModal(const Utf8& text, const Utf8& title) = 0;
  // Opens a folder in the desktop's file manager; may be called from any
  // thread, returns at once, reports nothing.
  virtual void OpenFolder(const std::filesystem::path& folder) = 0;
};

}  // namespace quorrin::ui

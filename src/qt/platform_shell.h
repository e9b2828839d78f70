// The desktop's services: the URL opener, the folder chooser, the clipboard
// and the program's own folder. The one place where the window meets them.
#pragma once

#include <QString>

class QWidget;

namespace quorrin {

// Opens an address in the user's browser; returns at once, reports nothing.
void OpenAddress(const QString& address);
// Opens a folder in the desktop's file manager; returns at once.
void OpenFolder(const QString& folder);
// The modal folder chooser; empty text when cancelled.
QString ChooseFolder(QWidget* parent, const QString& prompt);
// Places plain text on the clipboard.
void CopyToClipboard(const QString& text);
// The folder that holds the program, without a trailing separator.
QString ProgramFolder();
// The current user's desktop folder + "/shenqu" (home + "/shenqu" without one).
QString DefaultDownloadFolder();

}  // namespace quorrin

// What the window is, said once for every front end: each control with its
// kind, parent, tab page, place, size and initial text, in creation order;
// the window's title and client size; the tabs, the song list's columns, the
// popup menu and the timer. A front end builds its controls by walking this
// table. Texts are UTF-8; places and sizes are pixels at 96 DPI, relative to
// the parent (a tab page's controls to the tab control).
#pragma once

#include <span>
#include <string_view>

namespace quorrin::ui {

enum class ControlKind {
  kTabControl,
  kGroupBox,
  kPushButton,
  kEditBox,           // single line
  kMultiLineEditBox,  // the hidden ID buffer
  kListView,          // report view: the song list
  kTransparentLabel,  // text drawn on the parent's background
  kPictureBox,        // a stretched picture: the sponsor codes
  kAboutView,         // shows the about page
  kStatusLine,        // a transparent label whose colour the timer sets
};

struct ControlEntry {
  std::string_view name;  // the form name
  ControlKind kind;
  std::string_view parent;  // empty: the window's client area
  int page;                 // tab page (0 to 3) for controls on the tab control, -1 otherwise
  int x, y, width, height;
  std::string_view text;  // initial text or caption (UTF-8)
};

struct ColumnEntry {
  std::string_view header;
  int width;
};

inline constexpr std::string_view kWindowTitle = "[Zandrel]Quorrin V1.0";
inline constexpr int kClientWidth = 505;
inline constexpr int kClientHeight = 633;
inline constexpr int kTimerIntervalMs = 1000;
inline constexpr std::string_view kTimerName = "时钟1";
inline constexpr std::string_view kMenuName = "菜单";

// Every control, in creation order. The default download folder (`编辑框3`)
// is the desktop's, so its text here is empty and the front end fills it.
std::span<const ControlEntry> Controls();
// The control of that form name; null when there is none.
const ControlEntry* FindControl(std::string_view name);

std::span<const std::string_view> TabTexts();
std::span<const ColumnEntry> SongColumns();

// The popup menu "菜单" of the song list, items in order. A separator stands
// between the items of the original four and the ones added after them.
struct MenuEntry {
  std::string_view text;  // empty: a separator
};
std::span<const MenuEntry> SongMenu();

// The help text of `透明标签3`, with "\r\n" line breaks.
std::string_view HelpText();
// Shown in the about view when the about page cannot be fetched (HTML).
std::string_view BuiltInAboutHtml();
// The initial text of the anchor's YY number box.
inline constexpr std::string_view kDefaultYyNumber = "28581146";

}  // namespace quorrin::ui

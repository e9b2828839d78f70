#include "ui/window_description.h"

#include <array>

namespace quorrin::ui {
namespace {

using K = ControlKind;

constexpr ControlEntry kControls[] = {
    {"选择夹1", K::kTabControl, "", -1, 2, 3, 502, 607, ""},
    // Tab 多玩YY
    {"分组框1", K::kGroupBox, "选择夹1", 0, 12, 29, 482, 336, "神曲"},
    {"超级列表框1", K::kListView, "分组框1", 0, 10, 18, 464, 312, ""},
    {"分组框5", K::kGroupBox, "选择夹1", 0, 12, 367, 480, 64, "下载目录"},
    {"编辑框3", K::kEditBox, "分组框5", 0, 17, 23, 248, 24, ""},
    {"按钮7", K::kPushButton, "分组框5", 0, 291, 23, 72, 24, "选择目录"},
    {"按钮8", K::kPushButton, "分组框5", 0, 376, 23, 72, 24, "下载全部"},
    {"分组框2", K::kGroupBox, "选择夹1", 0, 11, 441, 480, 156, "下载选项"},
    {"分组框3", K::kGroupBox, "分组框2", 0, 16, 18, 200, 128, ""},
    {"按钮1", K::kPushButton, "分组框3", 0, 17, 29, 72, 24, "获取首页"},
    {"按钮2", K::kPushButton, "分组框3", 0, 104, 29, 72, 24, "试试手气"},
    {"按钮4", K::kPushButton, "分组框3", 0, 16, 78, 72, 24, "获取日榜"},
    {"按钮3", K::kPushButton, "分组框3", 0, 103, 78, 72, 24, "获取月榜"},
    {"分组框4", K::kGroupBox, "分组框2", 0, 225, 18, 240, 128, "自定义获取（不会请查看使用说明）"},
    {"透明标签2", K::kTransparentLabel, "分组框4", 0, 18, 26, 56, 24, "主播ID:"},
    {"编辑框1", K::kEditBox, "分组框4", 0, 80, 26, 144, 24, kDefaultYyNumber},
    {"按钮5", K::kPushButton, "分组框4", 0, 24, 74, 88, 32, "获取神曲"},
    {"按钮6", K::kPushButton, "分组框4", 0, 128, 74, 88, 32, "打开主页"},
    // Tab 赞助
    {"分组框6", K::kGroupBox, "选择夹1", 1, 5, 28, 488, 576, "开发不易"},
    {"分组框9", K::kGroupBox, "分组框6", 1, 14, 48, 220, 220, "微信"},
    {"图片框1", K::kPictureBox, "分组框9", 1, 11, 17, 192, 192, ""},
    {"分组框10", K::kGroupBox, "分组框6", 1, 252, 47, 220, 220, "支付宝"},
    {"图片框2", K::kPictureBox, "分组框10", 1, 16, 18, 192, 192, ""},
    {"分组框11", K::kGroupBox, "分组框6", 1, 14, 312, 220, 220, "QQ"},
    {"图片框3", K::kPictureBox, "分组框11", 1, 12, 19, 192, 192, ""},
    {"分组框12", K::kGroupBox, "分组框6", 1, 252, 312, 220, 220, "网址"},
    {"图片框4", K::kPictureBox, "分组框12", 1, 14, 19, 192, 192, ""},
    // Tab 使用说明
    {"分组框7", K::kGroupBox, "选择夹1", 2, 5, 28, 488, 576, "说明介绍"},
    {"透明标签3", K::kTransparentLabel, "分组框7", 2, 10, 25, 472, 544, ""},  // HelpText()
    // Tab 关于
    {"分组框8", K::kGroupBox, "选择夹1", 3, 5, 28, 488, 576, "关于"},
    {"超文本浏览框1", K::kAboutView, "分组框8", 3, 9, 17, 471, 552, ""},
    // The client area below the tabs, and the hidden ID buffer outside it.
    {"透明标签1", K::kStatusLine, "", -1, 0, 615, 504, 16, "【Zandrel】Quorrin......"},
    {"编辑框2", K::kMultiLineEditBox, "", -1, 536, 144, 120, 200, ""},
};

constexpr std::string_view kTabs[] = {"多玩YY", "赞助", "使用说明", "关于"};

constexpr ColumnEntry kColumns[] = {
    {"ID", 50}, {"神曲名称", 120}, {"播放地址", 145}, {"下载地址", 145}, {"神曲ID", 80},
};

constexpr MenuEntry kMenu[] = {
    {"下载选中神曲"},       {"复制播放地址"},   {"复制下载地址"}, {"停止当前进行操作"}, {""},
    {"重新下载失败的神曲"}, {"只下载新的神曲"}, {"打开下载目录"},
};

constexpr std::string_view kHelp =
    "【Zandrel】Quorrin\r\n\r\n主播神曲下载工具，集合首页、日榜、月榜等系列的神曲采集下载功能\r\n"
    "\r\n\r\n使用方法：\r\n\r\n（一）首页、日榜、月榜、随机都为直接点击按钮即可，选择保存目录，可以"
    "选择单个下载或者全部下载都可以。\r\n\r\n\r\n（二）自定义主播ID\r\n\r\n1.获取主播YY号填入到主播"
    "ID文本框\r\n\r\n2.点击获取神曲，即可获取的该主播的所有可下载神曲（暂不支持直播回放）\r\n\r\n其"
    "他功能有待开发";

constexpr std::string_view kBuiltInAbout =
    "<h3>【Zandrel】Quorrin V1.0</h3>"
    "<p>主播神曲下载工具：采集首页、日榜、月榜和主播作品，并把神曲保存为 mp4 文件。</p>"
    "<p>关于页面暂时无法打开，请稍后再试。</p>";

}  // namespace

std::span<const ControlEntry> Controls() {
  return kControls;
}

const ControlEntry* FindControl(std::string_view name) {
  for (const ControlEntry& c : kControls)
    if (c.name == name) return &c;
  return nullptr;
}

std::span<const std::string_view> TabTexts() {
  return kTabs;
}

std::span<const ColumnEntry> SongColumns() {
  return kColumns;
}

std::span<const MenuEntry> SongMenu() {
  return kMenu;
}

std::string_view HelpText() {
  return kHelp;
}

std::string_view BuiltInAboutHtml() {
  return kBuiltInAbout;
}

}  // namespace quorrin::ui

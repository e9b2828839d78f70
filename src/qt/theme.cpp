#include "qt/theme.h"

#include <QApplication>
#include <QFile>
#include <QPalette>

// The theme lives in a static library's resources, which must be registered.
static void RegisterResources() {
  Q_INIT_RESOURCE(quorrin);
}

namespace quorrin {
namespace {

// The theme's light colours with black text, so that a dark desktop palette
// leaves nothing light on light: what the style sheet does not colour (labels,
// tab titles, list headers, menus, message boxes) is drawn from this.
QPalette LightPalette() {
  QPalette p(QColor(0xdd, 0xe7, 0xf5), QColor(0xf3, 0xf6, 0xfb));  // button, window
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::WindowText, Qt::black);
    p.setColor(group, QPalette::Text, Qt::black);
    p.setColor(group, QPalette::ButtonText, Qt::black);
    p.setColor(group, QPalette::Base, Qt::white);
    p.setColor(group, QPalette::AlternateBase, QColor(0xf3, 0xf6, 0xfb));
    p.setColor(group, QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc));
    p.setColor(group, QPalette::ToolTipText, Qt::black);
    p.setColor(group, QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
    p.setColor(group, QPalette::Highlight, QColor(0x3a, 0x78, 0xd6));
    p.setColor(group, QPalette::HighlightedText, Qt::white);
    p.setColor(group, QPalette::Link, QColor(0x1a, 0x4f, 0xa0));
  }
  return p;
}

}  // namespace

void SkinLoader(int skin) {
  if (skin != 6) return;  // the only theme we ship
  QApplication::setPalette(LightPalette());
  RegisterResources();
  QFile sheet(QStringLiteral(":/quorrin/theme.qss"));
  if (!sheet.open(QIODevice::ReadOnly)) return;
  qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

}  // namespace quorrin

#include "qt/theme.h"

#include <QApplication>
#include <QFile>

// The theme lives in a static library's resources, which must be registered.
static void RegisterResources() {
  Q_INIT_RESOURCE(quorrin);
}

namespace quorrin {

void SkinLoader(int skin) {
  if (skin != 6) return;  // the only theme we ship
  RegisterResources();
  QFile sheet(QStringLiteral(":/quorrin/theme.qss"));
  if (!sheet.open(QIODevice::ReadOnly)) return;
  qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

}  // namespace quorrin

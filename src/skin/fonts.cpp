#include "skin/fonts.h"

#include <QFont>
#include <QString>

namespace vortik {

void InstallFontSubstitutions() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  const QString cjk = QStringLiteral("Noto Sans CJK SC");
  const QString mono = QStringLiteral("DejaVu Sans Mono");
  const QString sans = QStringLiteral("DejaVu Sans");
  for (const QString& face :
       {QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei"),
        QStringLiteral("Microsoft YaHei UI"), QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
    QFont::insertSubstitution(face, cjk);
  }
  for (const QString& face : {QStringLiteral("Consolas"), QStringLiteral("Courier New")}) {
    QFont::insertSubstitution(face, mono);
  }
  for (const QString& face : {QStringLiteral("Calibri"), QStringLiteral("Calibri Light"),
                              QStringLiteral("Arial"), QStringLiteral("MS Sans Serif")}) {
    QFont::insertSubstitution(face, sans);
  }
}

}  // namespace vortik

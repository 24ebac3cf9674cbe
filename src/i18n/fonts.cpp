#include "i18n/fonts.h"

#include <QFont>
#include <QStringList>

namespace vortik {

void InstallFontSubstitutions() {
  static bool installed = false;
  if (installed) return;
  installed = true;

  const QString sans = QStringLiteral("Noto Sans CJK SC");
  const QString serif = QStringLiteral("Noto Serif CJK SC");
  const QString dejavu = QStringLiteral("DejaVu Sans");
  const QString mono = QStringLiteral("DejaVu Sans Mono");
  struct Mapping {
    const char* face;
    QStringList families;
  };
  // The CJK families hold Latin, Cyrillic, kana and Hangul too, so one face serves all twelve
  // languages; DejaVu stands behind them for anything they lack.
  const Mapping mappings[] = {
      {"微软雅黑", {sans, dejavu}},
      {"Microsoft YaHei", {sans, dejavu}},
      {"Microsoft YaHei UI", {sans, dejavu}},
      {"宋体", {serif, sans, dejavu}},
      {"SimSun", {serif, sans, dejavu}},
      {"Calibri", {sans, dejavu}},
      {"Calibri Light", {sans, dejavu}},
      {"Arial", {sans, dejavu}},
      {"MS Sans Serif", {dejavu, sans}},
      {"Courier New", {mono, QStringLiteral("Noto Sans Mono CJK SC")}},
      {"Consolas", {mono, QStringLiteral("Noto Sans Mono CJK SC")}},
  };
  for (const Mapping& m : mappings) {
    const QString face = QString::fromUtf8(m.face);
    if (QFont::substitutes(face).isEmpty()) QFont::insertSubstitutions(face, m.families);
  }
}

}  // namespace vortik

#include "i18n/ui/fonts.h"

#include <QFont>
#include <QStringList>

namespace vortik {

namespace {

enum class Script { kNone, kLatin, kChinese, kJapanese, kKorean };

Script ScriptOf(int language) {
  switch (language) {
    case 1:
      return Script::kChinese;
    case 3:
      return Script::kJapanese;
    case 4:
      return Script::kKorean;
    default:
      return Script::kLatin;  // Latin and Cyrillic; numbers outside 1..12 read English
  }
}

Script& InstalledScript() {
  static Script script = Script::kNone;
  return script;
}

}  // namespace

void InstallFontSubstitutions(int language) {
  const Script script = ScriptOf(language);
  if (InstalledScript() == script) return;
  InstalledScript() = script;

  const char* region = script == Script::kJapanese ? "JP" : script == Script::kKorean ? "KR" : "SC";
  const QString cjkSans = QStringLiteral("Noto Sans CJK %1").arg(QLatin1String(region));
  const QString cjkSerif = QStringLiteral("Noto Serif CJK %1").arg(QLatin1String(region));
  const QString cjkMono = QStringLiteral("Noto Sans Mono CJK %1").arg(QLatin1String(region));
  const QString latin = QStringLiteral("Noto Sans");
  const QString dejavu = QStringLiteral("DejaVu Sans");
  const QString mono = QStringLiteral("DejaVu Sans Mono");

  // The CJK faces carry Latin too, but with wide punctuation and their own spacing, so they
  // draw only the languages written in CJK; elsewhere they stand behind the Latin face for
  // CJK names (the language dialog lists every language in its own script).
  const bool cjk = script != Script::kLatin;
  const QStringList sans =
      cjk ? QStringList{cjkSans, latin, dejavu} : QStringList{latin, dejavu, cjkSans};
  // "宋体" is the face of Chinese text (the Chinese entry of the language dialog, the captions
  // of the Chinese language), so it keeps the Chinese serif in every language.
  const QStringList serif = {QStringLiteral("Noto Serif CJK SC"), cjkSerif, cjkSans, dejavu};
  const QStringList fixed = {mono, cjkMono};
  struct Mapping {
    const char* face;
    const QStringList& families;
  };
  const Mapping mappings[] = {
      {"微软雅黑", sans},      {"Microsoft YaHei", sans}, {"Microsoft YaHei UI", sans},
      {"Calibri", sans},       {"Calibri Light", sans},   {"Arial", sans},
      {"MS Sans Serif", sans}, {"宋体", serif},           {"SimSun", serif},
      {"Courier New", fixed},  {"Consolas", fixed},
  };
  for (const Mapping& m : mappings) {
    const QString face = QString::fromUtf8(m.face);
    QFont::removeSubstitutions(face);
    QFont::insertSubstitutions(face, m.families);
  }
}

}  // namespace vortik

#include "i18n/lang_table.h"

#include <utility>

#include "platform/folders.h"
#include "platform/profile.h"

namespace vortik {

namespace {

constexpr LanguageInfo kLanguages[kLanguageCount] = {
    {1, "cn", "中文"},         {2, "en", "English"},  {3, "jp", "にほんご"},
    {4, "kr", "한국어"},       {5, "pl", "Polsk"},    {6, "de", "Deutsch"},
    {7, "ru", "Русский язык"}, {8, "fr", "Français"}, {9, "nl", "Nederlands"},
    {10, "pt", "Português"},   {11, "es", "Español"}, {12, "it", "Italiano"},
};

// set/val of the user's choice when it holds one, else of the shipped file.
int32_t StoredLanguageIn(const platform::ProfileFile& texts, const platform::ProfileFile& choice) {
  if (choice.Find("set", "val").has_value()) return choice.GetInt("set", "val", kDefaultLanguage);
  return texts.GetInt("set", "val", kDefaultLanguage);
}

}  // namespace

std::span<const LanguageInfo> Languages() {
  return kLanguages;
}

const char* LanguageSection(int language) {
  if (language >= 1 && language <= kLanguageCount) return kLanguages[language - 1].section;
  return "en";
}

std::string LanguageFilePath() {
  std::string shipped = platform::FindDataFile("lang.ini");
  return shipped.empty() ? platform::ExecutableDir() + "lang.ini" : shipped;
}

std::string LanguageChoicePath() {
  return platform::ConfigDir() + "/lang.ini";
}

LanguageFiles ResolveLanguageFiles(const LanguageFiles& given) {
  return {given.texts.empty() ? LanguageFilePath() : given.texts,
          given.choice.empty() ? LanguageChoicePath() : given.choice};
}

LanguageTable LoadLanguageTable(const std::string& textsPath, const std::string& choicePath) {
  // A file that cannot be created (a read-only folder) simply gives the defaults.
  (void)platform::EnsureProfileFile(textsPath);
  const platform::ProfileFile texts = platform::ProfileFile::Read(textsPath);
  LanguageTable table;
  if (choicePath == textsPath) {
    table.langIndex = StoredLanguageIn(texts, texts);
  } else {
    table.langIndex = StoredLanguageIn(texts, platform::ProfileFile::Read(choicePath));
  }
  table.section = LanguageSection(table.langIndex);
  for (TextId id : AllTextIds()) {
    table.texts.Set(id, texts.GetString(table.section, TextKey(id), TextDefault(id)));
  }
  return table;
}

int LanguageOfLocale(std::string_view locale) {
  static constexpr std::pair<std::string_view, int> kLocaleLanguages[] = {
      {"zh", 1}, {"en", 2}, {"ja", 3}, {"ko", 4},  {"pl", 5},  {"de", 6},
      {"ru", 7}, {"fr", 8}, {"nl", 9}, {"pt", 10}, {"es", 11}, {"it", 12}};
  const std::string_view letters = locale.substr(0, locale.find_first_of("_.@"));
  for (const auto& [code, language] : kLocaleLanguages) {
    if (letters == code) return language;
  }
  return 0;
}

LanguageTable LoadLanguageTableForLocale(const std::string& textsPath,
                                         const std::string& choicePath, int localeLanguage) {
  LanguageTable table = LoadLanguageTable(textsPath, choicePath);
  const bool chosen = platform::ProfileFile::Read(choicePath).Find("set", "val").has_value();
  if (chosen || localeLanguage < 1 || localeLanguage > kLanguageCount ||
      localeLanguage == table.langIndex) {
    return table;
  }
  const platform::ProfileFile texts = platform::ProfileFile::Read(textsPath);
  table.langIndex = localeLanguage;
  table.section = LanguageSection(localeLanguage);
  for (TextId id : AllTextIds()) {
    table.texts.Set(id, texts.GetString(table.section, TextKey(id), TextDefault(id)));
  }
  return table;
}

LanguageTable LoadLanguageTable(const std::string& path) {
  return LoadLanguageTable(path, path);
}

int32_t ReadStoredLanguage(const std::string& textsPath, const std::string& choicePath) {
  (void)platform::EnsureProfileFile(textsPath);
  const platform::ProfileFile texts = platform::ProfileFile::Read(textsPath);
  return StoredLanguageIn(
      texts, choicePath == textsPath ? texts : platform::ProfileFile::Read(choicePath));
}

int32_t ReadStoredLanguage(const std::string& path) {
  return ReadStoredLanguage(path, path);
}

bool WriteStoredLanguage(const std::string& path, int32_t language) {
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) (void)platform::MakeDirs(path.substr(0, slash));
  return platform::WriteProfileString(path, "set", "val", std::to_string(language));
}

std::string LanguageDisplayName(const std::string& path, const std::string& code) {
  return platform::GetProfileString(path, "Lang", code, code);
}

}  // namespace vortik

// The language table: the twelve languages and loading the texts of the stored language from
// lang.ini.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "base/app_config.h"
#include "base/text_id.h"

namespace vortik {

inline constexpr int kLanguageCount = 12;
inline constexpr int kDefaultLanguage = 2;  // English

struct LanguageInfo {
  int number;           // 1..12, the value stored in set/val
  const char* section;  // the file's section of the language's texts
  const char* name;     // the language's own name, as the settings dialog offers it
};

// Languages 1..12 in number order.
std::span<const LanguageInfo> Languages();
// The section of a language number; any number outside 1..12 reads the English section.
const char* LanguageSection(int language);

// The texts of one language as loaded from the file.
struct LanguageTable {
  int32_t langIndex = kDefaultLanguage;  // the number as stored, even outside 1..12
  std::string section = "en";
  TextTable texts;  // each key's text, or its default when the file has none
};

// The language files. The texts come from the shipped "lang.ini", the first one the data folders
// hold (beside the executable first; see platform::DataDirs), else the path beside the
// executable where it would be created. The user's choice (set/val) is kept in "lang.ini" of
// the user's configuration folder, because the program's folder of an installed copy cannot be
// written; a choice found there wins over the shipped file's set/val.
std::string LanguageFilePath();
std::string LanguageChoicePath();
// `given` with each empty name replaced by its standard place above.
LanguageFiles ResolveLanguageFiles(const LanguageFiles& given);

// Creates the texts file when missing, reads the stored language (see ReadStoredLanguage) and
// every key from the chosen language's section, each with its default. The one-path form keeps
// texts and choice in one file.
LanguageTable LoadLanguageTable(const std::string& textsPath, const std::string& choicePath);
LanguageTable LoadLanguageTable(const std::string& path);

// The language a locale name ("de_DE.UTF-8", "zh_CN", "pt") stands for: its language letters
// before '_', '.' or '@' matched to the twelve (zh Chinese, ja Japanese, ko Korean, the others by
// their section name); 0 for any other, "C" and "POSIX" included.
int LanguageOfLocale(std::string_view locale);

// As LoadLanguageTable, but a language chosen in the user's choice file wins, then
// `localeLanguage` (from LanguageOfLocale; 0 for none), then the texts file's set/val: how a front
// end without its own language dialog follows the desktop's language.
LanguageTable LoadLanguageTableForLocale(const std::string& textsPath,
                                         const std::string& choicePath, int localeLanguage);

// The stored language number: set/val of the choice file, else of the texts file, else 2 (also
// for a value that is not an integer). Creates the texts file when missing.
int32_t ReadStoredLanguage(const std::string& textsPath, const std::string& choicePath);
int32_t ReadStoredLanguage(const std::string& path);
// Writes set/val as a decimal integer, creating the file's folder when needed; false when the
// file cannot be written.
bool WriteStoredLanguage(const std::string& path, int32_t language);

// Display name of an update-server language code ("EN", "CN", ...) from the Lang section; the
// code itself when the file has none.
std::string LanguageDisplayName(const std::string& path, const std::string& code);

}  // namespace vortik

// The language table: every key with its English default, the twelve languages, and loading the
// texts of the stored language from lang.ini.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/main_state.h"

namespace vortik {

inline constexpr int kLanguageCount = 12;
inline constexpr int kDefaultLanguage = 2;  // English
inline constexpr int kDownloadStatusCount = 33;

struct LanguageInfo {
  int number;           // 1..12, the value stored in set/val
  const char* section;  // the file's section of the language's texts
  const char* name;     // the language's own name, as the settings dialog offers it
};

// Languages 1..12 in number order.
std::span<const LanguageInfo> Languages();
// The section of a language number; any number outside 1..12 reads the English section.
const char* LanguageSection(int language);

// One key of the language table and where the main window puts its text.
struct LangKey {
  const char* key;
  const char* english;  // the default when the file has no such key
  const char* control;  // object name of the control whose caption it becomes, or nullptr
  int textIndex;        // index in MainState::langText, or -1
  int downloadStatus;   // status code 1..33 of the download-status table, or 0
};

// Every key in loading order: feedback captions, status texts, page captions, error messages,
// information messages, download-status texts, the settings dialog's three texts, then the
// menu, manual, about and feedback-limit texts.
std::span<const LangKey> LangKeys();
const LangKey* FindLangKey(std::string_view key);  // without regard to letter case

// The texts of one language as loaded from the file.
struct LanguageTable {
  int32_t langIndex = kDefaultLanguage;  // the number as stored, even outside 1..12
  std::string section = "en";
  std::vector<std::string> texts;  // parallel to LangKeys()
  std::array<std::string, kLangTextCount> langText{};
  std::array<std::string, kDownloadStatusCount> downloadStatus{};  // status code n at n - 1

  // The text of a key; the key's default when the table was not loaded; `english` for a key
  // that is not in the table.
  std::string Text(std::string_view key, const char* english = "") const;
};

// The language files. The texts come from the shipped "lang.ini", the first one the data folders
// hold (beside the executable first; see platform::DataDirs), else the path beside the
// executable where it would be created. The user's choice (set/val) is kept in "lang.ini" of
// the user's configuration folder, because the program's folder of an installed copy cannot be
// written; a choice found there wins over the shipped file's set/val.
std::string LanguageFilePath();
std::string LanguageChoicePath();
// Replaces both paths with one file (tests give each case its own folder); "" restores them.
void SetLanguageFilePath(std::string path);

// Creates the texts file when missing, reads the stored language (see ReadStoredLanguage) and
// every key from the chosen language's section, each with its default. The one-path form keeps
// texts and choice in one file.
LanguageTable LoadLanguageTable(const std::string& textsPath, const std::string& choicePath);
LanguageTable LoadLanguageTable(const std::string& path);
// The texts of the English defaults, as a missing file gives them.
LanguageTable DefaultLanguageTable();

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

// The table the running application uses for messages (see msg.h); set once after loading.
void SetCurrentLanguageTable(LanguageTable table);
const LanguageTable* CurrentLanguageTable();  // nullptr before loading
void ClearCurrentLanguageTable();

}  // namespace vortik

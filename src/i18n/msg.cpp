#include "i18n/msg.h"

#include "i18n/lang_table.h"

namespace vortik {

std::string Msg(const char* key, const char* english) {
  const LanguageTable* table = CurrentLanguageTable();
  if (table == nullptr || key == nullptr || FindLangKey(key) == nullptr) {
    return english != nullptr ? english : "";
  }
  return table->Text(key);
}

std::string DownloadStatusText(int code) {
  if (code < 1 || code > kDownloadStatusCount) return {};
  const LanguageTable* table = CurrentLanguageTable();
  if (table != nullptr) return table->downloadStatus[static_cast<size_t>(code - 1)];
  for (const LangKey& k : LangKeys()) {
    if (k.downloadStatus == code) return k.english;
  }
  return {};
}

}  // namespace vortik

// TFormMain's language members: loading the texts once while the window is built.
#include "app/form_main.h"
#include "i18n/lang_table.h"
#include "i18n/lang_ui.h"

namespace vortik {

void TFormMain::LoadLanguageTexts() {
  LanguageTable table = LoadLanguageTable(LanguageFilePath(), LanguageChoicePath());
  ApplyLanguageTexts(this, state_, table);
  SetCurrentLanguageTable(std::move(table));
}

void TFormMain::ApplyLanguageFonts(int language) {
  vortik::ApplyLanguageFonts(this, language);
}

void TFormMain::PlaceCheckUpdateLabel() {
  vortik::PlaceCheckUpdateLabel(this, state_.langIndex);
}

void TFormMain::PlaceInternetCaption(bool connected) {
  vortik::PlaceInternetCaption(this, state_.langIndex, connected);
}

}  // namespace vortik

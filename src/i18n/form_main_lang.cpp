// TFormMain's language members: loading the texts once while the window is built.
#include "app/form_main.h"
#include "i18n/fonts.h"
#include "i18n/lang_table.h"
#include "i18n/lang_ui.h"

namespace vortik {

void TFormMain::LoadLanguageTexts() {
  // Substitutions belong at start, before any window exists; installing them here too keeps
  // the language fonts right wherever the window is built.
  InstallFontSubstitutions();
  LanguageTable table = LoadLanguageTable(LanguageFilePath());
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

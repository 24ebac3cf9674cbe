#include "upgrade/pickers.h"

#include <algorithm>
#include <utility>

#include "base/text_helpers.h"

namespace vortik {

namespace {

std::string EnglishName(std::string_view code) {
  static constexpr std::pair<const char*, const char*> kNames[] = {
      {"EN", "English"},  {"CN", "Chinese"}, {"DE", "German"},     {"PL", "Polish"},
      {"JP", "Japanese"}, {"RU", "Russian"}, {"PT", "Portuguese"}, {"ES", "Spanish"},
      {"IT", "Italian"},  {"KR", "Korean"},  {"FR", "French"},     {"NL", "Dutch"}};
  for (const auto& [known, name] : kNames) {
    if (code == known) return name;
  }
  return std::string(code);
}

// The "_LA" codes name tools whose language is not chosen here.
bool IsLaCode(std::string_view code) {
  return code.size() >= 8 && code[5] == '_' && code[6] == 'L' && code[7] == 'A';
}

}  // namespace

std::string PickerLanguageName(std::string_view code, const LanguageNameReader& names) {
  const char* known = "EN";
  for (const char* server : kServerLanguageCodes) {
    if (EqualsNoCase(code, server)) {
      known = server;
      break;
    }
  }
  return names ? names(known) : EnglishName(known);
}

void ChooseProductLanguage(const Services& services, const std::string& server,
                           std::string& productCode, const std::string& subtype, MainState& state,
                           CatalogueState& catalogue) {
  catalogue.choiceChanged = false;
  if (IsLaCode(productCode)) return;
  ParseProductCode(productCode, state, catalogue);
  const std::string model = catalogue.model;
  if (!QueryLanguageList(server, model, subtype, catalogue.currentLanguage, services.pickLanguage,
                         catalogue)) {
    return;
  }
  productCode = model + "_" + catalogue.languages[static_cast<size_t>(catalogue.chosenLanguage)];
  if (catalogue.chosenLanguage != catalogue.preselectedLanguage) catalogue.choiceChanged = true;
}

bool ChooseProductAndLanguage(const Services& services, const std::string& server,
                              std::string& productCode, const std::string& subtype,
                              CatalogueState& catalogue) {
  const std::string deviceModel = productCode.substr(0, 5);
  const std::string deviceLanguage = productCode.size() > 6 ? productCode.substr(6, 2) : "";
  catalogue.choiceChanged = false;
  if (!QueryProductList(server, deviceModel, subtype, services.pickCarType, catalogue))
    return false;
  const std::string product = catalogue.products[static_cast<size_t>(catalogue.chosenProduct)];
  if (!EqualsNoCase(product, deviceModel)) catalogue.choiceChanged = true;
  if (!QueryLanguageList(server, product, subtype, deviceLanguage, services.pickLanguage,
                         catalogue)) {
    return false;
  }
  const std::string& language = catalogue.languages[static_cast<size_t>(catalogue.chosenLanguage)];
  if (!EqualsNoCase(language, deviceLanguage)) catalogue.choiceChanged = true;
  productCode = product + "_" + language;
  return true;
}

}  // namespace vortik

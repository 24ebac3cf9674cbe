// The product and language choice made before an internet upgrade asks for firmware, the
// pickers it shows, and the display names of the language codes in the language picker.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/main_state.h"
#include "upgrade/catalogue.h"

namespace vortik {

// Where the display names of the twelve server language codes come from (the language file's
// Lang section). The reader is asked with a code of kServerLanguageCodes as written there.
using LanguageNameReader = std::function<std::string(const std::string& code)>;
// The picker's line for a code: the name `names` gives the matching server code in any letter
// case (the built-in English name without a reader); a code outside the twelve gets the name
// of "EN".
std::string PickerLanguageName(std::string_view code, const LanguageNameReader& names = {});

// Lets the user pick (with services.pickLanguage) the language of the tool's own model. Clears the
// choice-changed flag; unless the code is of the "_LA" kind (model of five characters, '_', "LA"),
// parses it, asks the update server at `server` for the model's languages and shows the language
// picker. When a list came, the code becomes model + '_' + the chosen language, and the flag is set
// when the user moved away from the preselection. Any failure leaves the code as it was.
void ChooseProductLanguage(const Services& services, const std::string& server,
                           std::string& productCode, const std::string& subtype, MainState& state,
                           CatalogueState& catalogue);

// For the "500" family, asking the update server at `server`: the product picker, then the language
// picker of the chosen product. Sets the choice-changed flag when the product or the language
// differs from the tool's (the code's first five characters and its characters 7 and 8, any letter
// case), and rewrites the code to product + '_' + language. False, with the code unchanged, when
// either list could not be obtained.
bool ChooseProductAndLanguage(const Services& services, const std::string& server,
                              std::string& productCode, const std::string& subtype,
                              CatalogueState& catalogue);

}  // namespace vortik

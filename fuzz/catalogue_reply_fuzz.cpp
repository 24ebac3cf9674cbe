// The catalogue's language-list and product-list replies, the preselection over what they
// gave, and the product code split that feeds them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/main_state.h"
#include "fuzz_support.h"
#include "upgrade/catalogue.h"

using vortik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);

  std::vector<std::string> languages;
  std::string defaultLanguage;
  if (vortik::ParseLanguageListReply(json, &languages, &defaultLanguage)) {
    Check(!languages.empty() && languages.size() <= vortik::kCatalogueListMax, "language count");
    for (const auto& code : languages) {
      Check(code.size() <= vortik::kLanguageCodeMax, "language code size");
    }
    const int line = vortik::PreselectLanguage(languages, json.substr(0, 2), defaultLanguage);
    Check(line >= 0 && line < static_cast<int>(languages.size()), "preselected language");
  }

  std::vector<std::string> products;
  if (vortik::ParseProductListReply(json, &products)) {
    Check(!products.empty() && products.size() <= vortik::kCatalogueListMax, "product count");
    for (const auto& name : products) {
      Check(name.size() <= vortik::kProductNameMax, "product name size");
      vortik::CarTypeLine(name);
    }
    const int line = vortik::PreselectProduct(products, json.substr(0, 5));
    Check(line >= 0 && line < static_cast<int>(products.size()), "preselected product");
  }

  vortik::MainState state;
  vortik::CatalogueState catalogue;
  vortik::ParseProductCode(json.substr(0, 64), state, catalogue);
  return 0;
}

#include "upgrade/catalogue.h"

#include <algorithm>
#include <memory>

#include "base/text_helpers.h"
#include "net/http_client.h"
#include "net/server_paths.h"
#include "upgrade/server_json.h"

namespace vortik {

namespace {

constexpr int kLanguageRecordMarker = 8;  // leading 0xFF bytes of the language record

struct CarType {
  const char* product;
  const char* carType;
};
constexpr CarType kCarTypes[] = {{"TQ460", "BENZ"}, {"TQ450", "VW"},  {"BRX450", "VW_PL"},
                                 {"TQ480", "BWM"},  {"TQ880", "BMS"}, {"TQ890", "OIL"}};

bool IsServerLanguage(std::string_view code) {
  return std::any_of(kServerLanguageCodes.begin(), kServerLanguageCodes.end(),
                     [&](const char* known) { return EqualsNoCase(code, known); });
}

// Keeps a picker's answer only when it names a line of the list; otherwise the preselection.
int Confirmed(std::optional<int> answer, int preselected, size_t lines) {
  return answer && *answer >= 0 && static_cast<size_t>(*answer) < lines ? *answer : preselected;
}

}  // namespace

void ParseProductCode(std::string_view productCode, MainState& state, CatalogueState& catalogue) {
  size_t bar = productCode.find('_');
  catalogue.model = std::string(productCode.substr(0, bar));
  if (bar != std::string_view::npos && productCode.size() - bar - 1 == 2) {
    catalogue.currentLanguage = std::string(productCode.substr(bar + 1));
  }
  std::vector<DevicePartEntry>& parts = state.device.parts;
  if (parts.empty()) return;
  const DevicePartEntry& last = parts.back();
  if (!std::all_of(last.begin(), last.begin() + kLanguageRecordMarker,
                   [](uint8_t b) { return b == 0xFF; })) {
    return;
  }
  std::string code(reinterpret_cast<const char*>(last.data()) + kLanguageRecordMarker, 2);
  if (IsServerLanguage(code)) {
    catalogue.currentLanguage = code;
    parts.pop_back();
  }
}

bool ParseLanguageListReply(std::string_view json, std::vector<std::string>* languages,
                            std::string* defaultLanguage) {
  JsonDoc doc = ParseJson(json);
  if (!doc) return false;
  const char* code = StringMember(doc.get(), "code");
  if (code == nullptr || std::string_view(code) != "100") return false;
  const cJSON* data = cJSON_GetObjectItem(doc.get(), "data");
  if (!cJSON_IsObject(data)) return false;
  const cJSON* list = cJSON_GetObjectItem(data, "language");
  const char* defaultCode = StringMember(data, "default");
  if (!cJSON_IsArray(list) || defaultCode == nullptr) return false;
  std::vector<std::string> parsed = StringElements(list, kLanguageCodeMax, kCatalogueListMax);
  if (parsed.empty()) return false;
  *languages = std::move(parsed);
  *defaultLanguage = defaultCode;
  return true;
}

bool ParseProductListReply(std::string_view json, std::vector<std::string>* products) {
  JsonDoc doc = ParseJson(json);
  if (!doc) return false;
  const char* message = StringMember(doc.get(), "message");
  if (message == nullptr || std::string_view(message) != "successful") return false;
  const cJSON* data = cJSON_GetObjectItem(doc.get(), "data");
  if (!cJSON_IsArray(data)) return false;
  std::vector<std::string> parsed = StringElements(data, kProductNameMax, kCatalogueListMax);
  if (parsed.empty()) return false;
  *products = std::move(parsed);
  return true;
}

int PreselectLanguage(const std::vector<std::string>& languages, std::string_view current,
                      std::string_view defaultLanguage) {
  for (size_t i = 0; i < languages.size(); ++i) {
    if (EqualsNoCase(languages[i], current)) return static_cast<int>(i);
  }
  for (size_t i = 0; i < languages.size(); ++i) {
    if (languages[i] == defaultLanguage) return static_cast<int>(i);
  }
  return 0;
}

int PreselectProduct(const std::vector<std::string>& products, std::string_view model) {
  for (size_t i = 0; i < products.size(); ++i) {
    if (EqualsNoCase(products[i], model)) return static_cast<int>(i);
  }
  return 0;
}

std::string_view CarTypeOf(std::string_view product) {
  for (const CarType& entry : kCarTypes) {
    if (product == entry.product) return entry.carType;
  }
  return {};
}

std::string CarTypeLine(std::string_view product) {
  return std::string(product) + "  " + std::string(CarTypeOf(product));
}

bool QueryLanguageList(const std::string& server, const std::string& product,
                       const std::string& subtype, std::string_view currentLanguage,
                       const LanguagePicker& picker, CatalogueState& catalogue) {
  std::string reply;
  std::vector<std::string> languages;
  std::string defaultLanguage;
  if (!HttpPostText(server + kUpdateServerPath,
                    "types=" + product + "&subtype=" + subtype + "&getlist=yes",
                    kCatalogueReplyCapacity, kCatalogueTimeoutMs, &reply) ||
      !ParseLanguageListReply(reply, &languages, &defaultLanguage)) {
    return false;
  }
  catalogue.languages = std::move(languages);
  catalogue.defaultLanguage = std::move(defaultLanguage);
  int preselected =
      PreselectLanguage(catalogue.languages, currentLanguage, catalogue.defaultLanguage);
  catalogue.preselectedLanguage = preselected;
  catalogue.chosenLanguage = preselected;
  if (picker) {
    catalogue.chosenLanguage = Confirmed(picker(product, catalogue.languages, preselected),
                                         preselected, catalogue.languages.size());
  }
  return true;
}

bool QueryProductList(const std::string& server, const std::string& model,
                      const std::string& subtype, const CarTypePicker& picker,
                      CatalogueState& catalogue) {
  std::string reply;
  std::vector<std::string> products;
  if (!HttpPostText(server + kUpdateServerPath,
                    "types=TQ500&subtype=" + subtype + "&getlist=allproductlist",
                    kCatalogueReplyCapacity, kCatalogueTimeoutMs, &reply) ||
      !ParseProductListReply(reply, &products)) {
    return false;
  }
  catalogue.products = std::move(products);
  int preselected = PreselectProduct(catalogue.products, model);
  catalogue.chosenProduct = preselected;
  if (picker) {
    catalogue.chosenProduct =
        Confirmed(picker(catalogue.products, preselected), preselected, catalogue.products.size());
  }
  return true;
}

}  // namespace vortik

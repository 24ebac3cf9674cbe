// The product catalogue's server side: the product code, the language and product list
// queries with their replies, the pickers' preselection and the catalogue state they share.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/main_state.h"
#include "base/services.h"

namespace vortik {

inline constexpr int kCatalogueListMax = 20;  // entries kept of a language or product list
inline constexpr int kLanguageCodeMax = 4;    // longer codes are left out of the list
inline constexpr int kProductNameMax = 19;    // longer names are left out of the list
inline constexpr int kCatalogueReplyCapacity = 51000;
inline constexpr int kCatalogueTimeoutMs = 100000;

// The twelve language codes the server uses; each is also its display name's key in the
// language file's Lang section.
inline constexpr std::array<const char*, 12> kServerLanguageCodes = {
    "EN", "CN", "DE", "PL", "JP", "RU", "PT", "ES", "IT", "KR", "FR", "NL"};

// Catalogue state kept between queries for the whole run.
struct CatalogueState {
  std::string model;                   // the product code's part before its first '_'
  std::string currentLanguage;         // two letters; kept when nothing supplies a new one
  std::vector<std::string> languages;  // server order, at most 20
  std::string defaultLanguage;         // the server's default of the last language list
  int preselectedLanguage = 0;         // the line the language picker opened with
  int chosenLanguage = 0;              // index into `languages`
  std::vector<std::string> products;   // server order, at most 20
  int chosenProduct = 0;               // index into `products`
  bool choiceChanged = false;          // the user chose another product or language
};

// Sets the model and possibly the current language from `productCode` ("TQ460_DE"); when the
// tool's part table ends with a language record (eight 0xFF bytes and a known code), that code
// becomes the current language and the record is removed from the table.
void ParseProductCode(std::string_view productCode, MainState& state, CatalogueState& catalogue);

// A language-list reply: true when "code" is "100" and data holds a non-empty "language"
// array (string elements kept, in order, up to 20; over-long codes left out) and a string
// "default".
bool ParseLanguageListReply(std::string_view json, std::vector<std::string>* languages,
                            std::string* defaultLanguage);
// A product-list reply: true when "message" is "successful" and "data" is an array giving at
// least one product (string elements kept, in order, up to 20; over-long names left out).
bool ParseProductListReply(std::string_view json, std::vector<std::string>* products);

// The first entry equal to `current` in any letter case, else the first equal to
// `defaultLanguage` exactly, else 0.
int PreselectLanguage(const std::vector<std::string>& languages, std::string_view current,
                      std::string_view defaultLanguage);
// The first product equal to `model` in any letter case, else 0.
int PreselectProduct(const std::vector<std::string>& products, std::string_view model);

// The car type of a product ("TQ460" -> "BENZ"); empty when the product has none.
std::string_view CarTypeOf(std::string_view product);
// The product picker's line for a product: "%s  %s" with its car type, "%s  " without.
std::string CarTypeLine(std::string_view product);

// Asks the update server at `server` for the languages of `product`; when it offers a non-empty
// list with a default, stores the list, shows the picker with the preselected entry and stores the
// line confirmed (the preselection when the picker is closed without OK). True when the picker was
// shown.
bool QueryLanguageList(const std::string& server, const std::string& product,
                       const std::string& subtype, std::string_view currentLanguage,
                       const LanguagePicker& picker, CatalogueState& catalogue);

// Asks the update server at `server` for the products of the "500" family; when it offers at least
// one, stores the list, shows the picker with `model` preselected and stores the line confirmed
// (the preselection when closed without OK). True when the picker was shown.
bool QueryProductList(const std::string& server, const std::string& model,
                      const std::string& subtype, const CarTypePicker& picker,
                      CatalogueState& catalogue);

}  // namespace vortik

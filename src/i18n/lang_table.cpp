#include "i18n/lang_table.h"

#include <optional>
#include <utility>

#include "platform/folders.h"
#include "platform/profile.h"

namespace vortik {

namespace {

constexpr LanguageInfo kLanguages[kLanguageCount] = {
    {1, "cn", "中文"},         {2, "en", "English"},  {3, "jp", "にほんご"},
    {4, "kr", "한국어"},       {5, "pl", "Polsk"},    {6, "de", "Deutsch"},
    {7, "ru", "Русский язык"}, {8, "fr", "Français"}, {9, "nl", "Nederlands"},
    {10, "pt", "Português"},   {11, "es", "Español"}, {12, "it", "Italiano"},
};

// The texts that become a control's caption as they are loaded.
constexpr LangCaption kCaptions[] = {
    {TextId::Product, "Label_Product"},
    {TextId::ContactInformation, "Label_ContactInformation"},
    {TextId::Email, "Label_Email"},
    {TextId::ManufactureBrand, "Label_ManufactureBrand"},
    {TextId::Model, "Label_Model"},
    {TextId::ProducedYearMonth, "Label_ProducedYearMonth"},
    {TextId::Origin, "Label_Origin"},
    {TextId::VinCode, "Label_VINCode"},
    {TextId::Problems, "Label_Problems"},
    {TextId::ButtonSummit, "Button_summit"},
    {TextId::LabelInternetUpgrade, "Label_InternetUpgrade"},
    {TextId::LabelPrint, "Label_Print"},
    {TextId::LabelDtcLoopup, "Label_DtcLookup"},
    {TextId::LabelFeedback, "Label_Feedback"},
    {TextId::LabelCheckUpdate, "Label_CheckUpdate"},
    {TextId::LabelUpgrade, "Label_Upgrade"},
    {TextId::LabelStep1Part1, "Label_Step1Part1"},
    {TextId::LabelStep1Part2, "Label_Step1Part2"},
    {TextId::LabelStep2, "Label_Step2"},
    {TextId::LabelStep2Part2, "Label_Step2Part2"},
    {TextId::LabelStep3, "Label_Step3"},
    {TextId::LabelStep3Part2, "Label_Step3Part2"},
    {TextId::LabelPrintPrint, "Label_PrintPrint"},
    {TextId::LabelClear, "Label_Clear"},
    {TextId::LabelCopy, "Label_Copy"},
    {TextId::LabelEdit, "Label_Edit"},
    {TextId::LabelSearch, "Label_Search"},
    {TextId::LabelItems, "Label_Items"},
    {TextId::LabelContents, "Label_Contents"},
    {TextId::LabelBrands, "Label_Brands"},
};

constexpr const char* kServerCodes[kLanguageCount] = {"EN", "CN", "JP", "DE", "RU", "PT",
                                                      "ES", "IT", "KR", "FR", "NL", "PL"};

constexpr const char* kChineseFontLabels[] = {
    "Label_Upgrade",
    "Label_Step1Part1",
    "Label_Step1Part2",
    "Label_Step2",
    "Label_Step2Part2",
    "Label_Step3",
    "Label_Step3Part2",
    "Label_CheckUpdate",
    "Label_InternetConnected",
    "Label_InternetUpgrade",
    "Label_Print",
    "Label_DtcLookup",
    "Label_Feedback",
    "Label_PrintPrint",
    "Label_Clear",
    "Label_Copy",
    "Label_Edit",
    "Label_Search",
    "Label_Items",
    "Label_Contents",
    "Label_Brands",
    "Label_Product",
    "Label_ContactInformation",
    "Label_Email",
    "Label_ManufactureBrand",
    "Label_Model",
    "Label_ProducedYearMonth",
    "Label_Origin",
    "Label_VINCode",
    "Label_Problems",
    "Label_Status",
};

constexpr const char* kPrintActionLabels[] = {"Label_PrintPrint", "Label_Clear", "Label_Copy",
                                              "Label_Edit"};

constexpr const char* kFeedbackTabOrder[] = {
    "RichEdit_Product",  "RichEdit_ContactInformation",
    "RichEdit_Email",    "RichEdit_ManufactureBrand",
    "RichEdit_Model",    "RichEdit_DateTime",
    "RichEdit_Origin",   "RichEdit_VINCode",
    "RichEdit_Problems", "Button_summit",
};

constexpr uint32_t Langs(std::initializer_list<int> numbers) {
  uint32_t mask = 0;
  for (int n : numbers) mask |= 1u << n;
  return mask;
}

struct Correction {
  const char* afterKey;
  uint32_t languages;  // bit n set for language number n
  LayoutChange change;
};

const Correction kCorrections[] = {
    {"LabelInternetUpgrade", Langs({1, 2, 4, 6, 9}), {"Label_InternetUpgrade", -1, 100}},
    {"LabelInternetUpgrade", Langs({3, 5, 7, 8, 10, 11, 12}), {"Label_InternetUpgrade", -1, 90}},
    {"LabelDtcLoopup", Langs({4, 5, 10, 11}), {"Label_DtcLookup", 560, 90}},
    {"LabelDtcLoopup", Langs({6}), {"Label_DtcLookup", 530, -1}},
    {"LabelDtcLoopup", Langs({7}), {"Label_DtcLookup", 550, 90}},
    {"LabelStep1Part1", Langs({7}), {"Label_Step1Part1", -1, -1, -1, 12}},
    {"LabelStep1Part1", Langs({7}), {"Label_Step1Part2", -1, -1, -1, 12}},
    {"LabelStep1Part1", Langs({7}), {"Label_Step2", -1, -1, -1, 12}},
    {"LabelStep1Part1", Langs({7}), {"Label_Step2Part2", -1, -1, -1, 12}},
    {"LabelStep1Part1", Langs({7}), {"Label_Step3", -1, -1, -1, 12}},
    {"LabelStep1Part1", Langs({7}), {"Label_Step3Part2", -1, -1, -1, 12}},
    {"LabelSearch", Langs({8}), {"Label_Search", -1, -1, -1, 13}},
    {"LabelItems", Langs({6}), {"Label_Items", -1, -1, -1, 13}},
    {"LabelItems", Langs({7}), {"Label_Items", -1, 216, -1, 12}},
    {"LabelItems", Langs({8}), {"Label_Items", -1, 208, 50, 13}},
    {"LabelItems", Langs({11}), {"Label_Items", -1, -1, -1, 12}},
    {"LabelContents", Langs({6}), {"Label_Contents", -1, 221, -1, 13}},
    {"LabelContents", Langs({7}), {"Label_Contents", -1, 221, -1, 12}},
    {"LabelContents", Langs({8}), {"Label_Contents", -1, 208, 50, 13}},
    {"LabelContents", Langs({11}), {"Label_Contents", -1, 221, -1, 12}},
    {"LabelBrands", Langs({6}), {"Label_Brands", -1, -1, -1, 13}},
    {"LabelBrands", Langs({7}), {"Label_Brands", -1, -1, -1, 12}},
    {"LabelBrands", Langs({8}), {"Label_Brands", -1, -1, -1, 13}},
    {"LabelBrands", Langs({11}), {"Label_Brands", -1, -1, -1, 12}},
};

bool HasLanguage(uint32_t mask, int language) {
  return language >= 1 && language <= kLanguageCount && (mask & (1u << language)) != 0;
}

std::string& LanguagePathOverride() {
  static std::string path;
  return path;
}

// set/val of the user's choice when it holds one, else of the shipped file.
int32_t StoredLanguageIn(const platform::ProfileFile& texts, const platform::ProfileFile& choice) {
  if (choice.Find("set", "val").has_value()) return choice.GetInt("set", "val", kDefaultLanguage);
  return texts.GetInt("set", "val", kDefaultLanguage);
}

}  // namespace

std::span<const LanguageInfo> Languages() {
  return kLanguages;
}

const char* LanguageSection(int language) {
  if (language >= 1 && language <= kLanguageCount) return kLanguages[language - 1].section;
  return "en";
}

std::span<const LangCaption> LangCaptions() {
  return kCaptions;
}

std::string LanguageFilePath() {
  const std::string& path = LanguagePathOverride();
  if (!path.empty()) return path;
  std::string shipped = platform::FindDataFile("lang.ini");
  return shipped.empty() ? platform::ExecutableDir() + "lang.ini" : shipped;
}

std::string LanguageChoicePath() {
  const std::string& path = LanguagePathOverride();
  return path.empty() ? platform::ConfigDir() + "/lang.ini" : path;
}

void SetLanguageFilePath(std::string path) {
  LanguagePathOverride() = std::move(path);
}

LanguageTable LoadLanguageTable(const std::string& textsPath, const std::string& choicePath) {
  // A file that cannot be created (a read-only folder) simply gives the defaults.
  (void)platform::EnsureProfileFile(textsPath);
  const platform::ProfileFile texts = platform::ProfileFile::Read(textsPath);
  LanguageTable table;
  table.langIndex = StoredLanguageIn(
      texts, choicePath == textsPath ? texts : platform::ProfileFile::Read(choicePath));
  table.section = LanguageSection(table.langIndex);
  for (TextId id : AllTextIds()) {
    table.texts.Set(id, texts.GetString(table.section, TextKey(id), TextDefault(id)));
  }
  return table;
}

LanguageTable LoadLanguageTable(const std::string& path) {
  return LoadLanguageTable(path, path);
}

int32_t ReadStoredLanguage(const std::string& textsPath, const std::string& choicePath) {
  (void)platform::EnsureProfileFile(textsPath);
  const platform::ProfileFile texts = platform::ProfileFile::Read(textsPath);
  return StoredLanguageIn(
      texts, choicePath == textsPath ? texts : platform::ProfileFile::Read(choicePath));
}

int32_t ReadStoredLanguage(const std::string& path) {
  return ReadStoredLanguage(path, path);
}

bool WriteStoredLanguage(const std::string& path, int32_t language) {
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) (void)platform::MakeDirs(path.substr(0, slash));
  return platform::WriteProfileString(path, "set", "val", std::to_string(language));
}

std::string LanguageDisplayName(const std::string& path, const std::string& code) {
  return platform::GetProfileString(path, "Lang", code, code);
}

std::span<const char* const> ServerLanguageCodes() {
  return kServerCodes;
}

std::vector<LayoutChange> LayoutChangesAfter(std::string_view key, int language) {
  std::vector<LayoutChange> changes;
  for (const Correction& c : kCorrections) {
    if (c.afterKey == key && HasLanguage(c.languages, language)) changes.push_back(c.change);
  }
  return changes;
}

std::optional<Placement> CheckUpdatePlacement(int language) {
  if (language >= 1 && language <= 4) return Placement{420, 590};
  if (language >= 5 && language <= kLanguageCount) return Placement{420, 579};
  return std::nullopt;
}

std::optional<Placement> InternetCaptionPlacement(int language, bool connected) {
  constexpr int kLeft = 620;
  if (HasLanguage(Langs({1, 3, 4, 5, 6, 9}), language)) return Placement{kLeft, 590};
  if (HasLanguage(Langs({2, 8}), language)) return Placement{kLeft, connected ? 590 : 577};
  if (HasLanguage(Langs({7, 11}), language)) return Placement{kLeft, 577};
  if (HasLanguage(Langs({10, 12}), language)) return Placement{kLeft, connected ? 577 : 590};
  return std::nullopt;
}

std::span<const char* const> ChineseFontLabels() {
  return kChineseFontLabels;
}
std::span<const char* const> PrintActionLabels() {
  return kPrintActionLabels;
}
std::span<const char* const> FeedbackTabOrder() {
  return kFeedbackTabOrder;
}

}  // namespace vortik

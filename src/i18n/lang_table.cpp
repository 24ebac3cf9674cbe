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

// clang-format off
constexpr LangKey kKeys[] = {
    // Feedback page captions.
    {"Product", "Product:", "Label_Product", -1, 0},
    {"ContactInformation", "Contact Information:", "Label_ContactInformation", -1, 0},
    {"Email", "Email:", "Label_Email", -1, 0},
    {"ManufactureBrand", "Manufacture Brand:", "Label_ManufactureBrand", -1, 0},
    {"Model", "Model:", "Label_Model", -1, 0},
    {"ProducedYearMonth", "Produced Year Month:", "Label_ProducedYearMonth", -1, 0},
    {"Origin", "Origin:", "Label_Origin", -1, 0},
    {"VinCode", "Vin Code:", "Label_VINCode", -1, 0},
    {"Problems", "Problems:", "Label_Problems", -1, 0},
    {"ButtonSummit", "Summit", "Button_summit", -1, 0},
    // Status texts.
    {"LabelStatus", "Please connect the device to the computer", nullptr, 0, 0},
    {"LabelStatus1", "Device connected to COM", nullptr, 1, 0},
    {"LabelStatus1Part2", "", nullptr, 2, 0},
    {"LabelStatus2", "Device connecting to COM", nullptr, 3, 0},
    {"LabelStatus2Part2", "", nullptr, 4, 0},
    // Page and tab captions.
    {"LabelInternetUpgrade", "Internet Upgrade", "Label_InternetUpgrade", -1, 0},
    {"LabelPrint", "Print", "Label_Print", -1, 0},
    {"LabelDtcLoopup", "DTC Lookup", "Label_DtcLookup", -1, 0},
    {"LabelFeedback", "Feedback", "Label_Feedback", -1, 0},
    {"LabelCheckUpdate", "Check Update", "Label_CheckUpdate", -1, 0},
    {"LabelInternetConnected", "Internet Connected", nullptr, 46, 0},
    {"LabelInternetDisconnected", "Internet Disconnected", nullptr, 47, 0},
    {"LabelUpgrade", "Upgrade", "Label_Upgrade", -1, 0},
    {"LabelStep1Part1", "Step 1: Press and hold down the \"OK\" key on the Scan Tool",
     "Label_Step1Part1", -1, 0},
    {"LabelStep1Part2", "while plugging in the usb cable from the PC", "Label_Step1Part2", -1, 0},
    {"LabelStep2", "Step 2: Verify that the Scan Tool's screen indicates \"Update Mode\"",
     "Label_Step2", -1, 0},
    {"LabelStep2Part2", "", "Label_Step2Part2", -1, 0},
    {"LabelStep3", "Step 3: Click \"Check Update\" to start the upgrade process", "Label_Step3",
     -1, 0},
    {"LabelStep3Part2", "", "Label_Step3Part2", -1, 0},
    {"LabelPrintPrint", "Print", "Label_PrintPrint", -1, 0},
    {"LabelClear", "Clear", "Label_Clear", -1, 0},
    {"LabelCopy", "Copy", "Label_Copy", -1, 0},
    {"LabelEdit", "Edit", "Label_Edit", -1, 0},
    {"LabelSearch", "Search", "Label_Search", -1, 0},
    {"LabelItems", "Items", "Label_Items", -1, 0},
    {"LabelContents", "Contents", "Label_Contents", -1, 0},
    {"LabelBrands", "Manufacturer", "Label_Brands", -1, 0},
    // Error messages: langText index = number + 4.
    {"MsgError1", "Manufacture Brand Text should not be NULL!", nullptr, 5, 0},
    {"MsgError2", "Model Text should not be NULL!", nullptr, 6, 0},
    {"MsgError3", "Origin Text should not be NULL!", nullptr, 7, 0},
    {"MsgError4", "VIN Code Text should not be NULL!", nullptr, 8, 0},
    {"MsgError5", "Problems Text should not be NULL!", nullptr, 9, 0},
    {"MsgError6", "Message Text should not be NULL!", nullptr, 10, 0},
    {"MsgError7", "Summit failed, please try again later!", nullptr, 11, 0},
    {"MsgError8", "Burn ROM fail!", nullptr, 12, 0},
    {"MsgError9", "Burn FLASH fail!", nullptr, 13, 0},
    {"MsgError10", "Burn LOGO fail!", nullptr, 14, 0},
    {"MsgError11", "Fail to nofity firmware size to device!", nullptr, 15, 0},
    {"MsgError12", "Fail to nofity latest version to device!", nullptr, 16, 0},
    {"MsgError13", "Fail to request device info!", nullptr, 17, 0},
    {"MsgError14", "Invalid input file!", nullptr, 18, 0},
    {"MsgError15", "Fail to request server, pelease try later!", nullptr, 19, 0},
    {"MsgError16", "Internet is not connected!", nullptr, 20, 0},
    {"MsgError17", "Nothing to be upgrade, The local device is alread the latest!", nullptr, 21, 0},
    {"MsgError18", "Fail to download rom upgrade files!", nullptr, 22, 0},
    {"MsgError19", "Fail to download flash DTC files!", nullptr, 23, 0},
    {"MsgError20", "Fail to request device ID!", nullptr, 24, 0},
    {"MsgError21", "Fail to set device ID!", nullptr, 25, 0},
    {"MsgError22", "Invalid ID!", nullptr, 26, 0},
    {"MsgError23", "Fail to request device version!", nullptr, 27, 0},
    {"MsgError24", "Contact Information Text should not be NULL!", nullptr, 28, 0},
    {"MsgError25", "Exmail Text should not be NULL!", nullptr, 29, 0},
    {"MsgError26", "Product Text should not be NULL!", nullptr, 30, 0},
    {"MsgError27", "check rom file size failure, please update again!", nullptr, 31, 0},
    {"MsgError28", "check rom file MD5 failure, please update again!", nullptr, 32, 0},
    {"MsgError29", "check flash file size failure, please update again!", nullptr, 33, 0},
    {"MsgError30", "check flash file MD5 failure, please update again!", nullptr, 34, 0},
    // Information messages: langText index = number + 34.
    {"MsgInfo1", "Summit successful, thanks for your feedback!", nullptr, 35, 0},
    {"MsgInfo2", "Upgrade finished!", nullptr, 36, 0},
    {"MsgInfo3", "Dowloading ROM update files...", nullptr, 37, 0},
    {"MsgInfo4", "Dowloading flash DTC files...", nullptr, 38, 0},
    {"MsgInfo5", "Device ID is successfully set!", nullptr, 39, 0},
    {"MsgInfo6", "Chart curve is saved successfully!", nullptr, 40, 0},
    {"MsgInfo7", "Burning...", nullptr, 41, 0},
    {"MsgInfo8", "Erasing, please wait...", nullptr, 42, 0},
    {"MsgInfo9", "Request device info...", nullptr, 43, 0},
    {"MsgInfo10", "Notify latest version...", nullptr, 44, 0},
    {"MsgInfo11", "Notify firmware size...", nullptr, 45, 0},
    // Download-status texts: status code = number - 11.
    {"MsgInfo12", "Finding resource", nullptr, -1, 1},
    {"MsgInfo13", "Connecting to", nullptr, -1, 2},
    {"MsgInfo14", "Redirecting...", nullptr, -1, 3},
    {"MsgInfo15", "Start to download", nullptr, -1, 4},
    {"MsgInfo16", "Downloading files from internet...", nullptr, -1, 5},
    {"MsgInfo17", "Complete downloading", nullptr, -1, 6},
    {"MsgInfo18", "Start to download components", nullptr, -1, 7},
    {"MsgInfo19", "Installing components...", nullptr, -1, 8},
    {"MsgInfo20", "Complete downloading components", nullptr, -1, 9},
    {"MsgInfo21", "Copying form buffer...", nullptr, -1, 10},
    {"MsgInfo22", "Sending request...", nullptr, -1, 11},
    {"MsgInfo23", "Class ID is available", nullptr, -1, 12},
    {"MsgInfo24", "MIME type is available", nullptr, -1, 13},
    {"MsgInfo25", "Cache file name is available", nullptr, -1, 14},
    {"MsgInfo26", "Start sync operation", nullptr, -1, 15},
    {"MsgInfo27", "Complete sync operation", nullptr, -1, 16},
    {"MsgInfo28", "Start to upload data", nullptr, -1, 17},
    {"MsgInfo29", "Uploading data", nullptr, -1, 18},
    {"MsgInfo30", "Complete Uploading data", nullptr, -1, 19},
    {"MsgInfo31", "Protocol class ID is available", nullptr, -1, 20},
    {"MsgInfo32", "Encoding...", nullptr, -1, 21},
    {"MsgInfo33", "Verified MIME is available", nullptr, -1, 22},
    {"MsgInfo34", "Class install location", nullptr, -1, 23},
    {"MsgInfo35", "Decoding...", nullptr, -1, 24},
    {"MsgInfo36", "Loading MIME handler", nullptr, -1, 25},
    {"MsgInfo37", "Content disposition attach", nullptr, -1, 26},
    {"MsgInfo38", "Filter report MIME type", nullptr, -1, 27},
    {"MsgInfo39", "Clsid can instantiate", nullptr, -1, 28},
    {"MsgInfo40", "Unknown available", nullptr, -1, 29},
    {"MsgInfo41", "Direct bind", nullptr, -1, 30},
    {"MsgInfo42", "MIME type of the resource, before any code sniffing is done", nullptr, -1, 31},
    {"MsgInfo43", "Detecting proxy...", nullptr, -1, 32},
    {"MsgInfo44", "Valid types of range requests for a resource", nullptr, -1, 33},
    // The language settings dialog.
    {"ConfirmButton", "Confirm", nullptr, -1, 0},
    {"CancelButton", "Cancel", nullptr, -1, 0},
    {"LanguageSettings", "Language Settings", nullptr, -1, 0},
    // The menu, the manual page's hint, the about box and the feedback size limit.
    {"MenuManual", "Manual", nullptr, -1, 0},
    {"MenuUpgradeFromFiles", "Upgrade from files…", nullptr, -1, 0},
    {"MenuAbout", "About VORTIK", nullptr, -1, 0},
    {"LabelManualHint", "Double click to open the selected file!", nullptr, -1, 0},
    {"AboutVersion", "Version", nullptr, -1, 0},
    {"AboutLicense", "License", nullptr, -1, 0},
    {"AboutLibraries", "Libraries", nullptr, -1, 0},
    {"MsgFeedbackTooLong",
     "The report is too long to be sent (more than 64 KB). Please shorten it.", nullptr, -1, 0},
};
// clang-format on

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

std::string& LanguagePathOverride() {
  static std::string path;
  return path;
}

std::optional<LanguageTable>& CurrentTable() {
  static std::optional<LanguageTable> table;
  return table;
}

// set/val of the user's choice when it holds one, else of the shipped file.
int32_t StoredLanguageIn(const platform::ProfileFile& texts, const platform::ProfileFile& choice) {
  if (choice.Find("set", "val").has_value()) return choice.GetInt("set", "val", kDefaultLanguage);
  return texts.GetInt("set", "val", kDefaultLanguage);
}

// Fills the run-time tables from the key texts.
void Distribute(LanguageTable* table) {
  std::span<const LangKey> keys = LangKeys();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].textIndex >= 0)
      table->langText[static_cast<size_t>(keys[i].textIndex)] = table->texts[i];
    if (keys[i].downloadStatus > 0)
      table->downloadStatus[static_cast<size_t>(keys[i].downloadStatus - 1)] = table->texts[i];
  }
}

}  // namespace

std::span<const LanguageInfo> Languages() {
  return kLanguages;
}

const char* LanguageSection(int language) {
  if (language >= 1 && language <= kLanguageCount) return kLanguages[language - 1].section;
  return "en";
}

std::span<const LangKey> LangKeys() {
  return kKeys;
}

const LangKey* FindLangKey(std::string_view key) {
  for (const LangKey& k : kKeys) {
    if (EqualNoCase(k.key, key)) return &k;
  }
  return nullptr;
}

std::string LanguageTable::Text(std::string_view key, const char* english) const {
  std::span<const LangKey> keys = LangKeys();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!EqualNoCase(keys[i].key, key)) continue;
    return i < texts.size() ? texts[i] : std::string(keys[i].english);
  }
  return english != nullptr ? english : "";
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
  table.texts.reserve(LangKeys().size());
  for (const LangKey& k : LangKeys()) {
    table.texts.push_back(texts.GetString(table.section, k.key, k.english));
  }
  Distribute(&table);
  return table;
}

LanguageTable LoadLanguageTable(const std::string& path) {
  return LoadLanguageTable(path, path);
}

LanguageTable DefaultLanguageTable() {
  LanguageTable table;
  for (const LangKey& k : LangKeys()) table.texts.emplace_back(k.english);
  Distribute(&table);
  return table;
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

void SetCurrentLanguageTable(LanguageTable table) {
  CurrentTable() = std::move(table);
}

const LanguageTable* CurrentLanguageTable() {
  return CurrentTable().has_value() ? &*CurrentTable() : nullptr;
}

void ClearCurrentLanguageTable() {
  CurrentTable().reset();
}

}  // namespace vortik

#include "i18n/lang_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "i18n/temp_folder.h"
#include "platform/profile.h"
#include "upgrade/catalogue.h"
#include "upgrade/downloads.h"

namespace vortik {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::Utf16LeFile;
using testing::WriteBytes;

std::string Key(const LanguageTable& table, const char* key) {
  std::optional<TextId> id = FindTextId(key);
  return id ? table.texts[*id] : "(no such key)";
}

TEST(LanguageTable, MissingFileGivesEnglishDefaultsAndCreatesAnEmptyFile) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  LanguageTable table = LoadLanguageTable(path);
  EXPECT_EQ(table.langIndex, 2);
  EXPECT_EQ(table.section, "en");
  for (TextId id : AllTextIds()) EXPECT_EQ(table.texts[id], TextDefault(id)) << TextKey(id);
  EXPECT_EQ(ReadBytes(path), std::string("\xFF\xFE\r\0\n\0", 6));
}

TEST(LanguageTable, StoredNumberChoosesTheSection) {
  struct Case {
    std::string setSection;  // file text before the language sections
    int32_t langIndex;
    const char* section;
  };
  const Case cases[] = {
      {"[set]\r\nval=1\r\n", 1, "cn"},   {"[set]\r\nval=7\r\n", 7, "ru"},
      {"[set]\r\nval=12\r\n", 12, "it"}, {"[SET]\r\nVal=0x7\r\n", 7, "ru"},
      {"[set]\r\nval=0\r\n", 0, "en"},   {"[set]\r\nval=13\r\n", 13, "en"},
      {"[set]\r\nval=-1\r\n", -1, "en"}, {"[set]\r\nval=seven\r\n", 2, "en"},
      {"[set]\r\nval=\r\n", 2, "en"},    {"", 2, "en"},
  };
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  for (const Case& c : cases) {
    WriteBytes(path, Utf16LeFile(c.setSection + "[cn]\r\nLabelUpgrade=升级\r\n"
                                                "[ru]\r\nLabelUpgrade=Обновление\r\n"
                                                "[it]\r\nLabelUpgrade=Aggiornamento\r\n"
                                                "[en]\r\nLabelUpgrade=Upgrade (en)\r\n"));
    LanguageTable table = LoadLanguageTable(path);
    EXPECT_EQ(table.langIndex, c.langIndex) << c.setSection;
    EXPECT_EQ(table.section, c.section) << c.setSection;
    const std::string expected = table.section == "cn"   ? "升级"
                                 : table.section == "ru" ? "Обновление"
                                 : table.section == "it" ? "Aggiornamento"
                                                         : "Upgrade (en)";
    EXPECT_EQ(Key(table, "LabelUpgrade"), expected) << c.setSection;
  }
}

TEST(LanguageTable, EmptyValuesStayEmptyAndAbsentKeysTakeTheirDefault) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  WriteBytes(path, Utf16LeFile("[set]\r\nval=6\r\n[de]\r\nLabelStatus=\r\nMsgError16=Keine "
                               "Internetverbindung!\r\nmsginfo12=Ressource wird gesucht\r\n"));
  LanguageTable table = LoadLanguageTable(path);
  EXPECT_EQ(table.texts[TextId::LabelStatus], "");
  EXPECT_EQ(table.texts[TextId::MsgError16], "Keine Internetverbindung!");
  EXPECT_EQ(table.texts[TextId::MsgError17],
            "Nothing to be upgrade, The local device is alread the latest!");
  EXPECT_EQ(table.texts[TextId::MsgInfo12], "Ressource wird gesucht");
  EXPECT_EQ(table.texts[TextId::MsgInfo13], "Connecting to");
}

TEST(TextIds, NameTheirKeysAndDefaultsOnce) {
  EXPECT_STREQ(TextKey(TextId::MsgError19), "MsgError19");
  EXPECT_STREQ(TextDefault(TextId::MsgError19), "Fail to download flash DTC files!");
  EXPECT_STREQ(TextKey(TextId::LabelDtcLoopup), "LabelDtcLoopup");
  EXPECT_EQ(FindTextId("msgerror19"), TextId::MsgError19);  // the file's keys ignore case
  EXPECT_EQ(FindTextId("NotAKey"), std::nullopt);
  std::set<std::string> keys;
  for (TextId id : AllTextIds()) EXPECT_TRUE(keys.insert(TextKey(id)).second) << TextKey(id);

  // Download status code n reads MsgInfo(n + 11); codes outside 1..33 have no text.
  EXPECT_EQ(DownloadStatusTextId(1), TextId::MsgInfo12);
  EXPECT_EQ(DownloadStatusTextId(33), TextId::MsgInfo44);
  EXPECT_EQ(DownloadStatusTextId(0), std::nullopt);
  EXPECT_EQ(DownloadStatusTextId(34), std::nullopt);
}

// A line without '=' is no key, so a malformed line leaves the caption at its default; lines
// ended by CR alone are lines all the same.
TEST(LanguageTable, MalformedLinesLeaveDefaultsAndCrAloneEndsALine) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  WriteBytes(path, Utf16LeFile("[set]\r\nval=6\r\n[de]\r\nLabelClear\r\nLabelCopy  \r\n"
                               "LabelEdit=Bearbeiten\rLabelSearch=Suchen\r"));
  LanguageTable table = LoadLanguageTable(path);
  EXPECT_EQ(Key(table, "LabelClear"), "Clear");
  EXPECT_EQ(Key(table, "LabelCopy"), "Copy");
  EXPECT_EQ(Key(table, "LabelEdit"), "Bearbeiten");
  EXPECT_EQ(Key(table, "LabelSearch"), "Suchen");
}

TEST(LanguageTable, LanguageDialogNumberIsReadAndWritten) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  EXPECT_EQ(ReadStoredLanguage(path), 2);
  ASSERT_TRUE(WriteStoredLanguage(path, 9));
  EXPECT_EQ(ReadStoredLanguage(path), 9);
  EXPECT_EQ(ReadBytes(path), Utf16LeFile("\r\n[set]\r\nval=9\r\n"));
  EXPECT_EQ(LanguageDisplayName(path, "PL"), "PL");
  EXPECT_FALSE(WriteStoredLanguage(dir.path(), 3));
}

// An installed copy: texts from the shipped file, the choice in the user's own file.
TEST(LanguageTable, ChoiceInTheUsersFileWinsOverTheShippedOne) {
  TempFolder dir;
  const std::string shipped = dir.File("lang.ini");
  const std::string choice = dir.File("config/vortik/lang.ini");
  WriteBytes(shipped, Utf16LeFile("[set]\r\nval=9\r\n[de]\r\nLabelUpgrade=Aktualisierung\r\n"
                                  "[en]\r\nLabelUpgrade=Upgrade\r\n"));
  const std::string shippedBytes = ReadBytes(shipped);

  // No choice yet: the shipped set/val, and reading creates nothing in the user's folder.
  EXPECT_EQ(ReadStoredLanguage(shipped, choice), 9);
  EXPECT_EQ(LoadLanguageTable(shipped, choice).texts[TextId::LabelUpgrade], "Upgrade");
  EXPECT_FALSE(std::filesystem::exists(dir.File("config")));

  // The write creates the user's folder; the shipped file is left as it was.
  ASSERT_TRUE(WriteStoredLanguage(choice, 6));
  EXPECT_EQ(ReadStoredLanguage(shipped, choice), 6);
  const LanguageTable de = LoadLanguageTable(shipped, choice);
  EXPECT_EQ(de.langIndex, 6);
  EXPECT_EQ(de.texts[TextId::LabelUpgrade], "Aktualisierung");
  EXPECT_EQ(ReadBytes(shipped), shippedBytes);

  // A choice that is not a number reads as English, as it does in the shipped file.
  WriteBytes(choice, Utf16LeFile("[set]\r\nval=x\r\n"));
  EXPECT_EQ(ReadStoredLanguage(shipped, choice), 2);
}

// The shipped file: generated from its readable source, complete in every language, English
// equal to the built-in defaults, and every value read back exactly as written.
TEST(ShippedLanguageFile, IsCompleteAndReadsBackAsWritten) {
  const std::string dataDir = VORTIK_SOURCE_DIR "/data/";
  const std::string source = ReadBytes(dataDir + "lang/lang.utf8.ini");
  ASSERT_FALSE(source.empty());
  std::string crlf;
  for (char c : source) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const std::string shipped = ReadBytes(dataDir + "lang.ini");
  ASSERT_EQ(shipped, Utf16LeFile(crlf)) << "run data/lang/make_lang_ini.sh";

  const std::string path = dataDir + "lang.ini";
  const platform::ProfileFile profile = platform::ProfileFile::Read(path);
  EXPECT_EQ(profile.GetInt("set", "val", 0), 2);
  for (const char* code : kServerLanguageCodes) {
    EXPECT_TRUE(profile.Find("Lang", code).has_value()) << code;
  }
  for (const LanguageInfo& lang : Languages()) {
    for (TextId id : AllTextIds()) {
      std::optional<std::string> value = profile.Find(lang.section, TextKey(id));
      ASSERT_TRUE(value.has_value()) << lang.section << "/" << TextKey(id);
      if (std::string(lang.section) == "en") {
        EXPECT_EQ(*value, TextDefault(id)) << TextKey(id);
      }
      // No text lost its letters to question marks on the way (as captions once did).
      EXPECT_EQ(value->find("??"), std::string::npos) << lang.section << "/" << TextKey(id);
    }
  }

  // Every line's text after '=' is what the reader returns (nothing trimmed or unquoted).
  std::istringstream lines(source);
  std::string line;
  std::string section;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const size_t eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    EXPECT_EQ(profile.GetString(section, line.substr(0, eq), "<absent>"), line.substr(eq + 1))
        << section << ": " << line;
  }
}

}  // namespace
}  // namespace vortik

#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "i18n/temp_folder.h"

namespace vortik::platform {
namespace {

using vortik::testing::Convert;
using vortik::testing::ReadBytes;
using vortik::testing::TempFolder;
using vortik::testing::Utf16BeFile;
using vortik::testing::Utf16LeFile;
using vortik::testing::WriteBytes;

TEST(Profile, MissingFileIsCreatedAsMarkAndOneEmptyLine) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  ASSERT_TRUE(EnsureProfileFile(path));
  EXPECT_EQ(ReadBytes(path), std::string("\xFF\xFE\r\0\n\0", 6));

  // An existing file is left alone.
  WriteBytes(path, Utf16LeFile("[set]\r\nval=7\r\n"));
  ASSERT_TRUE(EnsureProfileFile(path));
  EXPECT_EQ(GetProfileInt(path, "set", "val", 2), 7);

  // A folder that does not exist: no file, every read gives its default.
  const std::string nowhere = dir.File("missing/lang.ini");
  EXPECT_FALSE(EnsureProfileFile(nowhere));
  EXPECT_EQ(GetProfileString(nowhere, "en", "Key", "fallback"), "fallback");
}

TEST(Profile, ReadsUtf16SectionsAndKeysWithoutRegardToCase) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  WriteBytes(path, Utf16LeFile("\r\n"
                               "; a comment line\r\n"
                               "[Set]\r\n"
                               "VAL = 7 \r\n"
                               "  [ru]  \r\n"
                               "LabelStatus=Подключите устройство\r\n"
                               "Empty=\r\n"
                               "Quoted=\"  spaced  \"\r\n"
                               "Half=\"open\r\n"
                               "Inner=say \"hi\" now\r\n"
                               "[cn]\r\n"
                               "LabelStatus=请将设备连接到电脑\r\n"
                               "[RU]\r\n"
                               "LabelStatus=second section loses\r\n"
                               "Late=found in the repeated section\r\n"
                               "NoNewlineAtEnd=ok"));
  ProfileFile profile = ProfileFile::Read(path);
  ASSERT_TRUE(profile.loaded());
  EXPECT_EQ(profile.encoding(), ProfileEncoding::kUtf16Le);
  EXPECT_EQ(profile.GetInt("set", "val", 2), 7);
  EXPECT_EQ(profile.GetString("RU", "labelstatus", "x"), "Подключите устройство");
  EXPECT_EQ(profile.GetString("cn", "LabelStatus", "x"), "请将设备连接到电脑");
  EXPECT_EQ(profile.GetString("ru", "Late", "x"), "found in the repeated section");
  EXPECT_EQ(profile.GetString("ru", "NoNewlineAtEnd", "x"), "ok");
  // Present but empty is empty; only an absent key gives the default.
  EXPECT_EQ(profile.GetString("ru", "Empty", "x"), "");
  EXPECT_EQ(profile.GetString("ru", "Absent", "x"), "x");
  EXPECT_EQ(profile.GetString("de", "LabelStatus", "x"), "x");
  // Surrounding quotes go, as the system's profile reader drops them.
  EXPECT_EQ(profile.GetString("ru", "Quoted", "x"), "  spaced  ");
  EXPECT_EQ(profile.GetString("ru", "Half", "x"), "\"open");
  EXPECT_EQ(profile.GetString("ru", "Inner", "x"), "say \"hi\" now");
  EXPECT_EQ(profile.GetString("", "; a comment line", "x"), "x");
}

TEST(Profile, ValuesAreCutAt2047Units) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  const std::string longValue(3000, 'a');
  // A pair of surrogates straddling the cut must not leave half a character behind.
  const std::string emoji = "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 units
  WriteBytes(path, Utf16LeFile("[en]\r\nLong=" + longValue + "\r\nExact=" + std::string(2047, 'b') +
                               "\r\nPair=" + std::string(2046, 'c') + emoji + "tail\r\n"));
  ProfileFile profile = ProfileFile::Read(path);
  EXPECT_EQ(profile.GetString("en", "Long", ""), std::string(2047, 'a'));
  EXPECT_EQ(profile.GetString("en", "Exact", ""), std::string(2047, 'b'));
  EXPECT_EQ(profile.GetString("en", "Pair", ""), std::string(2046, 'c'));
}

TEST(Profile, IntegersAreDecimalOrHexAndWholeValueMustBeANumber) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case cases[] = {
      {"7", 7},
      {"0x1F", 31},
      {"0X10", 16},
      {"-3", -3},
      {"+12", 12},
      {"0012", 12},
      {"0xFFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"abc", 99},
      {"12abc", 99},
      {"", 99},
      {"0x", 99},
      {"1.5", 99},
      {"2147483648", 99},
      {"0x1FFFFFFFF", 99},
      {"- 3", 99},
  };
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  for (const Case& c : cases) {
    WriteBytes(path, Utf16LeFile(std::string("[set]\r\nval=") + c.text + "\r\n"));
    EXPECT_EQ(GetProfileInt(path, "set", "val", 99), c.expected) << "value \"" << c.text << "\"";
  }
  EXPECT_EQ(GetProfileInt(path, "set", "absent", 2), 2);
}

// A write changes one line and keeps every other byte, the encoding and the line ends.
TEST(Profile, WriteKeepsTheFileEncodingAndEveryOtherLine) {
  const std::string before =
      "[set]\r\nval=2\r\n\r\n[Lang]\r\nCN=中文\r\nRU=Русский\r\n[de]\r\nLabelClear=Löschen\r\n";
  const std::string after =
      "[set]\r\nval=11\r\n\r\n[Lang]\r\nCN=中文\r\nRU=Русский\r\n[de]\r\nLabelClear=Löschen\r\n";
  const std::string latinBefore = "[set]\nval=2\n[de]\nLabelClear=L\xF6schen\n";
  const std::string latinAfter = "[set]\nval=11\n[de]\nLabelClear=L\xF6schen\n";
  struct Case {
    const char* name;
    std::string before;
    std::string after;
    ProfileEncoding encoding;
  };
  const Case cases[] = {
      {"utf16le", Utf16LeFile(before), Utf16LeFile(after), ProfileEncoding::kUtf16Le},
      {"utf16be", Utf16BeFile(before), Utf16BeFile(after), ProfileEncoding::kUtf16Be},
      {"utf8 bom", "\xEF\xBB\xBF" + before, "\xEF\xBB\xBF" + after, ProfileEncoding::kUtf8Bom},
      {"utf8", before, after, ProfileEncoding::kUtf8},
      {"8-bit", latinBefore, latinAfter, ProfileEncoding::kLatin1},
  };
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  for (const Case& c : cases) {
    WriteBytes(path, c.before);
    EXPECT_EQ(ProfileFile::Read(path).encoding(), c.encoding) << c.name;
    ASSERT_TRUE(WriteProfileString(path, "SET", "Val", "11")) << c.name;
    EXPECT_EQ(ReadBytes(path), c.after) << c.name;
    ProfileFile profile = ProfileFile::Read(path);
    EXPECT_EQ(profile.GetInt("set", "val", 0), 11) << c.name;
    EXPECT_EQ(profile.GetString("de", "LabelClear", ""), "Löschen") << c.name;
  }
}

// How an 8-bit file reads is decided by the whole file; a write that removes the only bytes
// that are not UTF-8 must not change how the rest of it reads, now or after a restart.
TEST(Profile, WriteNeverChangesHowOtherKeysOfAnEightBitFileRead) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  // Latin-1 throughout: "val=2\xA0" (a trailing no-break space) is the only byte that is not
  // UTF-8, and the German caption's two bytes happen to form a valid UTF-8 sequence.
  WriteBytes(path, "[set]\r\nval=2\xA0\r\n[de]\r\nLabelClear=L\xC3\xB6schen\r\n");
  ASSERT_EQ(ProfileFile::Read(path).encoding(), ProfileEncoding::kLatin1);
  const std::string caption = GetProfileString(path, "de", "LabelClear", "");
  EXPECT_EQ(caption, "L\xC3\x83\xC2\xB6schen");  // "LÃ¶schen"

  ASSERT_TRUE(WriteProfileString(path, "set", "val", "6"));
  EXPECT_EQ(GetProfileInt(path, "set", "val", 0), 6);
  EXPECT_EQ(GetProfileString(path, "de", "LabelClear", ""), caption);
  ASSERT_TRUE(WriteProfileString(path, "set", "val", "7"));
  EXPECT_EQ(GetProfileString(path, "de", "LabelClear", ""), caption);

  // A value the 8-bit file cannot hold is not lost either.
  WriteBytes(path, "[set]\nval=2\n[de]\nLabelClear=L\xF6schen\n");
  ASSERT_TRUE(WriteProfileString(path, "Lang", "CN", "中文"));
  EXPECT_EQ(GetProfileString(path, "lang", "cn", ""), "中文");
  EXPECT_EQ(GetProfileString(path, "de", "LabelClear", ""), "Löschen");

  // An 8-bit file that becomes plain ASCII reads the same either way and keeps its bytes.
  WriteBytes(path, "[set]\nval=\xB2\n[en]\nA=b\n");
  ASSERT_TRUE(WriteProfileString(path, "set", "val", "3"));
  EXPECT_EQ(ReadBytes(path), "[set]\nval=3\n[en]\nA=b\n");
}

// Lines without '=' are not keys: reads pass over them and a write adds the key anew. A CR
// alone ends a line, and a file of such lines keeps them when written.
TEST(Profile, LinesWithoutEqualsAreNotKeysAndCrAloneEndsALine) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  WriteBytes(path, Utf16LeFile("[en]\r\nBare\r\n Spaced \r\nKey=v\rNext=w\r[set]\rval\r"));
  ProfileFile profile = ProfileFile::Read(path);
  EXPECT_EQ(profile.GetString("en", "Bare", "default"), "default");
  EXPECT_EQ(profile.GetString("en", "Spaced", "default"), "default");
  EXPECT_EQ(profile.GetString("en", "Key", ""), "v");
  EXPECT_EQ(profile.GetString("en", "Next", ""), "w");
  EXPECT_EQ(profile.GetInt("set", "val", 2), 2);

  WriteBytes(path, "[set]\rval\rother=1\r");
  ASSERT_TRUE(WriteProfileString(path, "set", "val", "5"));
  EXPECT_EQ(ReadBytes(path), "[set]\rval\rother=1\rval=5\r");
  EXPECT_EQ(GetProfileInt(path, "set", "val", 2), 5);
}

TEST(Profile, WriteAddsMissingKeysAndSections) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");

  // A missing file becomes a UTF-16LE profile.
  ASSERT_TRUE(WriteProfileString(path, "set", "val", "3"));
  EXPECT_EQ(ReadBytes(path), Utf16LeFile("[set]\r\nval=3\r\n"));

  // The created empty profile gets the section after its empty line.
  std::remove(path.c_str());
  ASSERT_TRUE(EnsureProfileFile(path));
  ASSERT_TRUE(WriteProfileString(path, "set", "val", "5"));
  EXPECT_EQ(ReadBytes(path), Utf16LeFile("\r\n[set]\r\nval=5\r\n"));

  // A key missing from its section goes after the section's last line, before blank lines.
  WriteBytes(path, Utf16LeFile("[set]\r\nother=1\r\n\r\n[en]\r\nA=b\r\n"));
  ASSERT_TRUE(WriteProfileString(path, "set", "val", "6"));
  EXPECT_EQ(ReadBytes(path), Utf16LeFile("[set]\r\nother=1\r\nval=6\r\n\r\n[en]\r\nA=b\r\n"));

  // A file without a final line end gets one before the new section.
  WriteBytes(path, Utf16LeFile("[en]\r\nA=b"));
  ASSERT_TRUE(WriteProfileString(path, "set", "val", "4"));
  EXPECT_EQ(ReadBytes(path), Utf16LeFile("[en]\r\nA=b\r\n[set]\r\nval=4\r\n"));

  // Non-ASCII text is written in the file's encoding.
  ASSERT_TRUE(WriteProfileString(path, "Lang", "JP", "日本語"));
  EXPECT_EQ(GetProfileString(path, "lang", "jp", ""), "日本語");
}

TEST(Profile, WriteRefusesWhatWouldBreakTheFileAndReportsFailure) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  const std::string original = Utf16LeFile("[set]\r\nval=2\r\n");
  WriteBytes(path, original);
  EXPECT_FALSE(WriteProfileString(path, "set", "val", "2\r\n[set]"));
  EXPECT_FALSE(WriteProfileString(path, "set", "a=b", "1"));
  EXPECT_FALSE(WriteProfileString(path, "se]t", "val", "1"));
  EXPECT_FALSE(WriteProfileString(path, "", "val", "1"));
  EXPECT_EQ(ReadBytes(path), original);

  // A path that is a folder cannot be read or written.
  EXPECT_FALSE(WriteProfileString(dir.path(), "set", "val", "1"));
  EXPECT_FALSE(WriteProfileString(dir.File("no/such/folder/lang.ini"), "set", "val", "1"));
}

TEST(Profile, Utf8AndUtf16ConvertBothWays) {
  const std::string text = "ASCII Ünïcödé 中文 한국어 \xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Convert(Utf16ToUtf8(Utf8ToUtf16(text)), "UTF-8", "UTF-16LE"),
            Convert(text, "UTF-8", "UTF-16LE"));
  // Malformed input never passes through as is.
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("a\xFF"
                                    "b\xC3")),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("\xC0\xAF")), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace vortik::platform

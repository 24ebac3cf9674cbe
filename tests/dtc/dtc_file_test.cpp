#include "dtc/dtc_file.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "i18n/temp_folder.h"

namespace vortik {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

std::vector<std::string> Codes(const std::vector<DtcEntry>& entries) {
  std::vector<std::string> codes;
  for (const DtcEntry& e : entries) codes.push_back(e.code);
  return codes;
}

TEST(DtcReaders, SmallFiles) {
  struct Case {
    const char* name;
    std::string bytes;
    int32_t lines;
    std::vector<DtcEntry> entries;
  };
  const std::string longLine = "P0001 Generic " + std::string(1100, 'x') + "\n";
  const Case cases[] = {
      {"three entries and a trailing empty line",
       "P0001 Generic One\nP0002 Generic Two\nP0003 Generic Three\n\n",
       4,
       {{"P0001", "Generic", "One"}, {"P0002", "Generic", "Two"}, {"P0003", "Generic", "Three"}}},
      {"last line without line end",
       "P0001 Generic One\r\nP0002 Generic Two",
       2,
       {{"P0001", "Generic", "One"}, {"P0002", "Generic", "Two"}}},
      {"duplicates stay, in file order",
       "P0300 Generic First\nP0100 Generic Other\nP0300 Generic Second\n",
       3,
       {{"P0300", "Generic", "First"},
        {"P0100", "Generic", "Other"},
        {"P0300", "Generic", "Second"}}},
      {"blank and whitespace-only lines give no entries but count as lines",
       "\nP0001 Generic One\n\n  \t \r\n\r\nP0002 Generic Two\n",
       6,
       {{"P0001", "Generic", "One"}, {"P0002", "Generic", "Two"}}},
      {"leading blanks of the contents go, inner and trailing ones stay",
       "P0001\tGeneric \t   Fuel  and air \t \r\n",
       1,
       {{"P0001", "Generic", "Fuel  and air \t "}}},
      {"CR-only line ends",
       "P0001 Generic One\rP0002 Generic Two\rP0003 Generic Three\r",
       3,
       {{"P0001", "Generic", "One"}, {"P0002", "Generic", "Two"}, {"P0003", "Generic", "Three"}}},
      {"a line longer than 1023 bytes counts once per started 1023 bytes",
       longLine,
       2,
       {{"P0001", "Generic", std::string(1100, 'x')}}},
      {"empty file", "", 0, {}},
      {"only line ends", "\r\n\r\n\n", 3, {}},
      {"code and brand only: the next line becomes the contents",
       "P0001 Generic\nP0002 Generic Two\nP0003 Generic Three\n",
       3,
       {{"P0001", "Generic", "P0002 Generic Two"}, {"P0003", "Generic", "Three"}}},
      {"code only: the next line gives brand and contents",
       "P0001\nP0002 Generic Two\n",
       2,
       {{"P0001", "P0002", "Generic Two"}}},
      {"a trailing code and brand without contents is not an entry",
       "P0001 Generic One\nP0002 Generic\n",
       2,
       {{"P0001", "Generic", "One"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CountDtcLines(c.bytes), c.lines);
    std::vector<DtcEntry> entries = ReadDtcEntries(c.bytes);
    ASSERT_EQ(entries.size(), c.entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].code, c.entries[i].code) << i;
      EXPECT_EQ(entries[i].brand, c.entries[i].brand) << i;
      EXPECT_EQ(entries[i].contents, c.entries[i].contents) << i;
    }
  }
}

TEST(DtcReaders, MatchCounterReadsCodeAndRestOfLine) {
  // A line of code and brand only is one record here (the brand is its rest), unlike the entry
  // reader, which runs on into the next line.
  const std::string bytes = "P0001 Generic One\nP0002 Generic\nP0003 Generic Three\nP0004\n";
  EXPECT_EQ(ReadDtcMatchCodes(bytes), (std::vector<std::string>{"P0001", "P0002", "P0003"}));
  const std::vector<DtcEntry> entries = ReadDtcEntries(bytes);
  EXPECT_EQ(Codes(entries), (std::vector<std::string>{"P0001", "P0002"}));
  EXPECT_EQ(entries[1].contents, "P0003 Generic Three");
}

TEST(DtcReaders, OverlongFieldsAreCutAndReadingStaysInStep) {
  const std::string code(100, 'C');
  const std::string brand(200, 'B');
  const std::string contents(3000, 'x');
  const std::string bytes = code + " " + brand + " " + contents + "\nP0002 Generic Two\n";
  std::vector<DtcEntry> entries = ReadDtcEntries(bytes);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].code, code.substr(0, kDtcCodeMax));
  EXPECT_EQ(entries[0].brand, brand.substr(0, kDtcBrandMax));
  EXPECT_EQ(entries[0].contents, contents.substr(0, kDtcContentsMax));
  EXPECT_EQ(entries[1].code, "P0002");

  const std::string longCode(2000, 'P');
  std::vector<std::string> codes = ReadDtcMatchCodes(longCode + " rest\nP0002 Generic Two\n");
  EXPECT_EQ(codes, (std::vector<std::string>{longCode.substr(0, kDtcMatchCodeMax), "P0002"}));
}

TEST(DtcReaders, SearchKey) {
  EXPECT_EQ(DtcSearchKey("  p03 \t"), "P03");
  EXPECT_EQ(DtcSearchKey(" \t "), "");
  EXPECT_EQ(DtcSearchKey("P 03"), "P 03");
  EXPECT_EQ(DtcSearchKey("\xC3\x84p"),
            "\xC3\x84P");  // bytes above 0x7F are neither cut nor changed
}

// --- Against the C library ------------------------------------------------------------------

// What the C library's readers give for a file's bytes: fgets with a 1024-byte buffer over
// `lineBytes`, and the two fscanf patterns over `bytes` (read from memory streams).
struct LibcResults {
  int32_t lines = 0;
  std::vector<std::string> matchCodes;
  std::vector<DtcEntry> entries;
};

LibcResults ReadWithLibc(std::string bytes, std::string lineBytes) {
  LibcResults r;
  auto open = [](std::string& b) { return fmemopen(b.data(), b.size(), "rb"); };
  if (bytes.empty()) return r;  // a memory stream needs at least one byte
  char buf[1024];
  if (FILE* f = open(lineBytes)) {
    while (std::fgets(buf, sizeof(buf), f) != nullptr) ++r.lines;
    std::fclose(f);
  }
  static char code[1088], rest[1280], brand[128], contents[1280];
  if (FILE* f = open(bytes)) {
    while (std::fscanf(f, "%1087s %1279[^\r\n]%*[\r\n]", code, rest) == 2) {
      r.matchCodes.emplace_back(code);
    }
    std::fclose(f);
  }
  if (FILE* f = open(bytes)) {
    while (std::fscanf(f, "%63s %127s %1279[^\r\n]%*[\r\n]", code, brand, contents) == 3) {
      r.entries.push_back({code, brand, contents});
    }
    std::fclose(f);
  }
  return r;
}

// A random table of valid lines, with blank lines, mixed line ends, blanks between and after
// the fields, UTF-8 and Latin-1 text, long lines, and now and then a line of code and brand
// only or of a code only.
class RandomTable {
 public:
  explicit RandomTable(uint32_t seed) : rng_(seed) {}

  std::string Make() {
    std::string out;
    const int lines = Pick(0, 40);
    for (int i = 0; i < lines; ++i) {
      const int kind = Pick(0, 19);
      if (kind == 0) {
        out += Blanks(0, 3);
      } else if (kind == 1) {
        out += Blanks(0, 2) + Word(1, 8) + Blanks(1, 2) + Word(1, 8) + Blanks(0, 2);
      } else if (kind == 2) {
        out += Word(1, 8);
      } else {
        out += Blanks(0, 2) + Code() + Blanks(1, 3) + Word(1, 20) + Blanks(1, 3) + Contents();
      }
      if (i + 1 < lines || Pick(0, 1) == 0) out += LineEnd();
    }
    return out;
  }

 private:
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::string Blanks(int lo, int hi) {
    std::string s;
    for (int n = Pick(lo, hi); n > 0; --n) s += Pick(0, 2) == 0 ? '\t' : ' ';
    return s;
  }
  std::string LineEnd() {
    static const char* const ends[] = {"\n", "\r\n", "\r", "\n\n", "\r\n\r\n", "\r\r\n"};
    return ends[Pick(0, 5)];
  }
  char WordByte() {
    static const std::string pool = "P0123456789ABCDEFabcdefUBC-_.()/'\x80\xC3\xA9\xFF";
    return pool[static_cast<size_t>(Pick(0, static_cast<int>(pool.size()) - 1))];
  }
  std::string Word(int lo, int hi) {
    std::string s;
    for (int n = Pick(lo, hi); n > 0; --n) s += WordByte();
    return s;
  }
  std::string Code() {
    static const char* const letters = "PBCUpbcu";
    static const char* const hex = "0123456789ABCDEF";
    std::string s(1, letters[Pick(0, 7)]);
    s += static_cast<char>('0' + Pick(0, 3));
    for (int i = 0; i < 3; ++i) s += hex[Pick(0, 15)];
    return s;
  }
  std::string Contents() {
    std::string s = Word(1, 6);
    const int words = Pick(0, 1) == 0 ? Pick(0, 8) : Pick(100, 160);  // some lines pass 1023
    for (int i = 0; i < words; ++i) s += Blanks(1, 3) + Word(1, 6);
    return s + Blanks(0, 2);
  }

  std::mt19937 rng_;
};

// Lone CRs become LFs: the line counter takes a CR without an LF after it as a line end.
std::string LoneCrToLf(const std::string& bytes) {
  std::string out = bytes;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\r' && (i + 1 == out.size() || out[i + 1] != '\n')) out[i] = '\n';
  }
  return out;
}

TEST(DtcReaders, AgreeWithTheCLibraryOnRandomValidFiles) {
  for (uint32_t seed = 1; seed <= 1000; ++seed) {
    SCOPED_TRACE(seed);
    const std::string bytes = RandomTable(seed).Make();
    const LibcResults expected = ReadWithLibc(bytes, LoneCrToLf(bytes));

    EXPECT_EQ(CountDtcLines(bytes), expected.lines);
    EXPECT_EQ(ReadDtcMatchCodes(bytes), expected.matchCodes);
    const std::vector<DtcEntry> entries = ReadDtcEntries(bytes);
    ASSERT_EQ(entries.size(), expected.entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(entries[i].code, expected.entries[i].code) << i;
      EXPECT_EQ(entries[i].brand, expected.entries[i].brand) << i;
      EXPECT_EQ(entries[i].contents, expected.entries[i].contents) << i;
    }
  }
}

// Moves a file's modification time into the past: the table trusts only stamps that are not
// recent.
void Age(const std::string& path) {
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
}

// --- The table file --------------------------------------------------------------------------

TEST(DtcTable, MissingOrUnreadableFileReadsAsEmpty) {
  TempFolder dir;
  for (const std::string& path : {dir.File("absent.txt"), dir.path()}) {
    DtcTable table(path);
    EXPECT_EQ(table.LineCount(), 0);
    EXPECT_EQ(table.MatchCount("P"), 0);
    int visited = 0;
    table.ReadEntries([&](const DtcEntryView&) { return ++visited, true; });
    EXPECT_EQ(visited, 0);
  }
}

TEST(DtcTable, CountsMatchesAndStopsWhereTheVisitorSays) {
  TempFolder dir;
  const std::string path = dir.File("OBDII.txt");
  WriteBytes(path, "P0300 Generic A\np0301 Generic B\nP0301 Generic C\nU0100 Generic D\n\n");
  Age(path);
  DtcTable table(path);
  EXPECT_EQ(table.LineCount(), 5);
  EXPECT_EQ(table.MatchCount("P030"), 2);  // the lower-case code never matches
  EXPECT_EQ(table.MatchCount("30"), 3);
  EXPECT_EQ(table.MatchCount("010"), 1);
  std::vector<std::string> seen;
  table.ReadEntries([&](const DtcEntryView& e) {
    seen.emplace_back(e.contents);
    return seen.size() < 2;
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(table.reads(), 1);
}

TEST(DtcTable, ReadsAgainWhenTheFileChanges) {
  namespace fs = std::filesystem;
  TempFolder dir;
  const std::string path = dir.File("OBDII.txt");
  const std::string other = dir.File("other.txt");
  WriteBytes(path, "P0001 Generic Old\n");
  Age(path);
  const auto old = fs::last_write_time(path);
  DtcTable table(path);
  EXPECT_EQ(table.MatchCount("P0001"), 1);
  EXPECT_EQ(table.LineCount(), 1);
  EXPECT_EQ(table.reads(), 1);  // an unchanged old file is read once

  // Rewritten in place: size, time and inode as before but for the time.
  WriteBytes(path, "P0002 Generic Now\n");
  EXPECT_EQ(table.MatchCount("P0001"), 0);
  EXPECT_EQ(table.MatchCount("P0002"), 1);

  // Rewritten again within the same timestamp tick (forced here): the stamp is unchanged, but
  // a stamp this recent proves nothing, so the file is read again.
  const auto tick = fs::last_write_time(path);
  WriteBytes(path, "P0003 Generic Now\n");
  fs::last_write_time(path, tick);
  EXPECT_EQ(table.MatchCount("P0003"), 1);

  // Another file (inode) of the same size and time moved into its place.
  WriteBytes(path, "P0004 Generic Old\n");
  WriteBytes(other, "P0005 Generic Old\n");
  fs::last_write_time(path, old);
  fs::last_write_time(other, old);
  EXPECT_EQ(table.MatchCount("P0004"), 1);
  const int before = table.reads();
  EXPECT_EQ(table.MatchCount("P0004"), 1);
  EXPECT_EQ(table.reads(), before);
  fs::rename(other, path);
  EXPECT_EQ(table.MatchCount("P0005"), 1);
  EXPECT_EQ(table.reads(), before + 1);

  // Removed: empty; back: read again.
  fs::remove(path);
  EXPECT_EQ(table.LineCount(), 0);
  WriteBytes(path, "P0006 Generic X\nP0007 Generic Y\n");
  EXPECT_EQ(table.LineCount(), 2);
}

// Heap in use, small blocks and mapped ones.
size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The table costs about the memory of its file however its lines look: a file of empty lines
// (which once had room reserved for one entry per line) and one of many short entries.
TEST(DtcTable, MemoryStaysNearTheSizeOfTheFile) {
  TempFolder dir;
  const std::string path = dir.File("OBDII.txt");
  struct Case {
    const char* name;
    std::string bytes;
    int32_t lines;
    int32_t entries;
  };
  std::string shortEntries;
  for (int i = 0; i < 1000000; ++i) shortEntries += "A B C\n";
  const std::vector<Case> cases = {
      {"50 MB of empty lines", std::string(50u << 20, '\n'), 50 << 20, 0},
      {"a million short entries", std::move(shortEntries), 1000000, 1000000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(path, c.bytes);
    Age(path);
    const size_t before = HeapInUse();
    DtcTable table(path);
    EXPECT_EQ(table.LineCount(), c.lines);
    EXPECT_EQ(table.MatchCount("A"), c.entries);
    int32_t visited = 0;
    table.ReadEntries([&](const DtcEntryView&) { return ++visited, true; });
    EXPECT_EQ(visited, c.entries);
    const size_t after = HeapInUse();
    EXPECT_LE(after > before ? after - before : 0, 2 * c.bytes.size());
    EXPECT_LE(table.keptBytes(), 2 * c.bytes.size());
  }
}

// A file changed moments ago is read on every call (its stamp proves nothing), but the table is
// taken anew only when its bytes differ.
TEST(DtcTable, ARecentFileIsNotTakenAnewOnEveryCall) {
  TempFolder dir;
  const std::string path = dir.File("OBDII.txt");
  WriteBytes(path, "P0001 Generic One\nP0002 Generic Two\n");
  DtcTable table(path);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(table.MatchCount("P000"), 2);
  EXPECT_EQ(table.reads(), 1);
  WriteBytes(path, "P0003 Generic Three\n");
  EXPECT_EQ(table.MatchCount("P000"), 1);
  EXPECT_EQ(table.reads(), 2);
}

TEST(DtcTable, LooksInTheCurrentFolderFirstThenInTheDataFolders) {
  namespace fs = std::filesystem;
  TempFolder dir;
  const std::string home = dir.File("data");  // stands for ~/.local/share
  const std::string work = dir.File("work");  // the folder the program was started in
  fs::create_directories(home + "/vortik/DtcLookup");
  fs::create_directories(work);
  WriteBytes(home + "/vortik/" + kDtcTableRelativePath, "P0002 Generic Installed\n");
  const char* previousXdg = std::getenv("XDG_DATA_HOME");
  const std::string savedXdg = previousXdg != nullptr ? previousXdg : "";
  setenv("XDG_DATA_HOME", home.c_str(), 1);
  const auto previousDir = fs::current_path();
  fs::current_path(work);

  EXPECT_EQ(FindDtcTable(), home + "/vortik/" + kDtcTableRelativePath);
  DtcTable table;
  EXPECT_EQ(table.MatchCount("P0002"), 1);
  fs::create_directories(work + "/DtcLookup");
  WriteBytes(work + "/" + kDtcTableRelativePath, "P0001 Generic Here\n");
  EXPECT_EQ(FindDtcTable(), kDtcTableRelativePath);
  EXPECT_EQ(table.MatchCount("P0002"), 0);
  EXPECT_EQ(table.MatchCount("P0001"), 1);

  fs::current_path(previousDir);
  if (previousXdg != nullptr) {
    setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}

// --- The shipped table -----------------------------------------------------------------------

TEST(DtcShippedTable, EveryLineFollowsTheGrammar) {
  const std::string path = std::string(VORTIK_SOURCE_DIR) + "/data/" + kDtcTableRelativePath;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr) << path;
  std::string bytes;
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof(buf), f)) > 0;) bytes.append(buf, n);
  std::fclose(f);

  auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  std::set<std::string> codes;
  size_t lineNo = 0;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    ASSERT_NE(end, std::string::npos) << "the last line has no line end";
    const std::string line = bytes.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    SCOPED_TRACE(line);
    // Three fields: code, brand, contents, separated by one space; nothing else on the line.
    const size_t a = line.find(' ');
    ASSERT_NE(a, std::string::npos);
    const size_t b = line.find(' ', a + 1);
    ASSERT_NE(b, std::string::npos);
    const std::string code = line.substr(0, a);
    const std::string brand = line.substr(a + 1, b - a - 1);
    const std::string contents = line.substr(b + 1);
    ASSERT_EQ(code.size(), 5u);
    EXPECT_NE(std::string("PBCU").find(code[0]), std::string::npos);
    EXPECT_TRUE(code[1] >= '0' && code[1] <= '3');
    EXPECT_TRUE(isHex(code[2]) && isHex(code[3]) && isHex(code[4]));
    EXPECT_EQ(brand, "Generic");
    EXPECT_FALSE(contents.empty());
    EXPECT_NE(contents.front(), ' ');
    EXPECT_NE(contents.back(), ' ');
    EXPECT_EQ(contents.find_first_of("\r\t"), std::string::npos);
    EXPECT_LE(contents.size(), kDtcContentsMax);
    EXPECT_TRUE(codes.insert(code).second) << "duplicate";
  }
  EXPECT_GE(codes.size(), 2000u);
  // The readers see every line as one entry.
  EXPECT_EQ(CountDtcLines(bytes), static_cast<int32_t>(lineNo));
  EXPECT_EQ(ReadDtcEntries(bytes).size(), lineNo);
  EXPECT_EQ(ReadDtcMatchCodes(bytes).size(), lineNo);
}

}  // namespace
}  // namespace vortik

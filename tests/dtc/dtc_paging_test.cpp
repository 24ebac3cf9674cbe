#include "dtc/dtc_paging.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "i18n/temp_folder.h"

namespace vortik {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

// Records what the paging shows.
class FakeList : public DtcListView {
 public:
  void ClearRows() override { codes.clear(); }
  void AddRow(const DtcEntryView& entry) override { codes.emplace_back(entry.code); }
  void SetIndexText(const std::string& text) override { index = text; }
  void SetPrevEnabled(bool enabled) override { prev = enabled; }
  void SetNextEnabled(bool enabled) override { next = enabled; }

  std::vector<std::string> codes;
  std::string index;
  bool prev = false;
  bool next = true;  // the designed start states: Prev disabled, Next enabled
};

std::string Table(int entries, const char* prefix = "P0") {
  std::string bytes;
  char code[16];
  for (int i = 0; i < entries; ++i) {
    std::snprintf(code, sizeof(code), "%s%03d", prefix, i);
    bytes += std::string(code) + " Generic Entry " + std::to_string(i) + "\r\n";
  }
  return bytes;
}

class DtcPagingTest : public ::testing::Test {
 protected:
  void Load(const std::string& bytes) {
    WriteBytes(path_, bytes);
    paging_.InitDtcList();
  }
  // What the list shows: first code, rows, label, Prev, Next.
  void ExpectPage(const char* first, size_t rows, const char* index, bool prev, bool next) {
    ASSERT_EQ(list_.codes.size(), rows);
    if (rows > 0) {
      EXPECT_EQ(list_.codes.front(), first);
    }
    EXPECT_EQ(list_.index, index);
    EXPECT_EQ(list_.prev, prev);
    EXPECT_EQ(list_.next, next);
  }

  TempFolder dir_;
  std::string path_ = dir_.File("OBDII.txt");
  DtcTable table_{path_};
  FakeList list_;
  bool filtered_ = false;
  DtcPaging paging_{table_, list_, filtered_};
};

TEST_F(DtcPagingTest, FifteenEntriesMakeOnePage) {
  Load(Table(15));
  ExpectPage("P0000", 15, "1 / 15", false, false);
  paging_.Button_NextClick();
  ExpectPage("P0000", 15, "1 / 15", false, false);
}

TEST_F(DtcPagingTest, SixteenEntriesTurnOnePageAndBack) {
  Load(Table(16));
  ExpectPage("P0000", 15, "1 / 16", false, true);
  paging_.Button_NextClick();
  ExpectPage("P0015", 1, "16 / 16", true, false);
  paging_.Button_NextClick();  // at the end: nothing happens
  ExpectPage("P0015", 1, "16 / 16", true, false);
  paging_.Button_PrevClick();
  ExpectPage("P0000", 15, "1 / 16", false, true);
  paging_.Button_PrevClick();  // at the start: nothing happens
  ExpectPage("P0000", 15, "1 / 16", false, true);
}

TEST_F(DtcPagingTest, TrailingEmptyLineCountsButShowsNoRow) {
  Load(Table(3) + "\r\n");
  ExpectPage("P0000", 3, "1 / 4", false, false);
}

TEST_F(DtcPagingTest, Searches) {
  // 40 codes P0000..P0039 and 3 codes U0000..U0002.
  Load(Table(40) + Table(3, "U0"));
  struct Case {
    const char* typed;  // upper-cased by the page
    const char* first;
    size_t rows;
    const char* index;
    bool filtered;
    bool next;
  };
  const Case cases[] = {
      {"P00", "P0000", 15, "1 / 40", true, true},
      {"03", "P0003", 11, "1 / 11", true, false},  // mid-code: P0003, P0030..P0039
      {"P001", "P0010", 10, "1 / 10", true, false},
      {"U", "U0000", 3, "1 / 3", true, false},
      {"X", "", 0, "0 / 0", true, false},
      {"  \t ", "P0000", 15, "1 / 43", false, true},  // blanks only: the whole table
      {"", "P0000", 15, "1 / 43", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(paging_.EditSearchChange(c.typed), !c.filtered);
    EXPECT_EQ(filtered_, c.filtered);
    ExpectPage(c.first, c.rows, c.index, false, c.next);
  }
}

TEST_F(DtcPagingTest, ExactlyFifteenMatchesShowOnOnePage) {
  Load(Table(30));
  paging_.EditSearchChange("P00");  // P0000..P0029: 30 matches, two pages
  paging_.Button_NextClick();
  ExpectPage("P0015", 15, "16 / 30", true, false);
  paging_.EditSearchChange("P001");  // a new search starts on its first page, buttons follow
  ExpectPage("P0010", 10, "1 / 10", false, false);
  Load(Table(15) + Table(20, "U0"));
  paging_.EditSearchChange("P0");
  ExpectPage("P0000", 15, "1 / 15", false, false);
  paging_.Button_NextClick();
  ExpectPage("P0000", 15, "1 / 15", false, false);
}

TEST_F(DtcPagingTest, PagesOfASearchCountOnlyMatches) {
  std::string bytes;
  for (int i = 0; i < 20; ++i) bytes += Table(1, "P1") + Table(1, "U1");  // P1000/U1000 pairs
  Load(bytes);
  paging_.EditSearchChange("U1");
  ExpectPage("U1000", 15, "1 / 20", false, true);
  paging_.Button_NextClick();
  ExpectPage("U1000", 5, "16 / 20", true, false);
}

TEST_F(DtcPagingTest, MissingFileShowsAnEmptyList) {
  paging_.InitDtcList();
  ExpectPage("", 0, "0 / 0", false, false);
  paging_.EditSearchChange("P");
  ExpectPage("", 0, "0 / 0", false, false);
}

TEST_F(DtcPagingTest, FileChangedBetweenTwoSearches) {
  Load(Table(20));
  paging_.EditSearchChange("P00");
  ExpectPage("P0000", 15, "1 / 20", false, true);
  WriteBytes(path_, Table(3) + Table(25, "P1"));  // P0000..P0002, P1000..P1024
  paging_.EditSearchChange("P00");
  ExpectPage("P0000", 3, "1 / 3", false, false);
  paging_.EditSearchChange("P10");
  ExpectPage("P1000", 15, "1 / 25", false, true);
}

TEST(DtcIndexText, FirstEntryOfThePageAndTotal) {
  EXPECT_EQ(DtcIndexText(0, 0), "0 / 0");
  EXPECT_EQ(DtcIndexText(0, 1), "1 / 1");
  EXPECT_EQ(DtcIndexText(15, 100), "16 / 100");
}

}  // namespace
}  // namespace vortik

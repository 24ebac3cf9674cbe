#include "dtc/dtc_paging.h"

namespace vortik {

std::string DtcIndexText(int32_t offset, int32_t total) {
  const int64_t first = total != 0 ? int64_t{offset} + 1 : offset;
  return std::to_string(first) + " / " + std::to_string(total);
}

DtcPaging::DtcPaging(DtcTable& table, DtcListView& view, bool& dtcFiltered)
    : table_(table), view_(view), dtcFiltered_(dtcFiltered) {}

void DtcPaging::InitDtcList() {
  dtcOffset = 0;
  dtcTotal = table_.LineCount();
  FillDtcPage();
}

bool DtcPaging::EditSearchChange(const std::string& upperText) {
  searchText_ = upperText;
  const std::string s = DtcSearchKey(searchText_);
  dtcTotal = 0;
  dtcOffset = 0;
  if (s.empty()) {
    dtcFiltered_ = false;
    dtcTotal = table_.LineCount();
    FillDtcPage();
    return true;
  }
  dtcFiltered_ = true;
  dtcTotal = table_.MatchCount(s);
  FillDtcSearchPage();
  return false;
}

void DtcPaging::Button_NextClick() {
  if (int64_t{dtcOffset} + kDtcPageSize >= dtcTotal) return;
  dtcOffset += kDtcPageSize;
  Refill();
}

void DtcPaging::Button_PrevClick() {
  if (dtcOffset - kDtcPageSize < 0) return;
  dtcOffset -= kDtcPageSize;
  Refill();
}

void DtcPaging::FillDtcPage() {
  Fill(std::string());
}

void DtcPaging::FillDtcSearchPage() {
  const std::string s = DtcSearchKey(searchText_);
  if (s.empty()) return;
  Fill(s);
}

void DtcPaging::Refill() {
  if (dtcFiltered_) {
    FillDtcSearchPage();
  } else {
    FillDtcPage();
  }
}

void DtcPaging::Fill(const std::string& search) {
  view_.ClearRows();
  int32_t n = 0;
  table_.ReadEntries([&](const DtcEntryView& entry) {
    if (!search.empty() && !DtcCodeMatches(entry.code, search)) return true;
    if (n < dtcOffset) {
      ++n;
      return true;
    }
    if (n == dtcOffset + kDtcPageSize) return false;
    ++n;
    view_.AddRow(entry);
    return true;
  });
  view_.SetIndexText(DtcIndexText(dtcOffset, dtcTotal));
  // Both buttons follow the page after every refill, whatever the last page turn left.
  view_.SetPrevEnabled(dtcOffset > 0);
  view_.SetNextEnabled(int64_t{dtcOffset} + kDtcPageSize < dtcTotal);
}

}  // namespace vortik

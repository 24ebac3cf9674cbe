// Search and paging over the trouble-code table: fifteen entries a page, the index label and
// the Prev/Next states, and what the page asks of its list (no toolkit here).
#pragma once

#include <cstdint>
#include <string>

#include "dtc/dtc_file.h"

namespace vortik {

inline constexpr int32_t kDtcPageSize = 15;

// What the paging asks of the DTC page.
class DtcListView {
 public:
  virtual ~DtcListView() = default;
  virtual void ClearRows() = 0;
  virtual void AddRow(const DtcEntryView& entry) = 0;
  virtual void SetIndexText(const std::string& text) = 0;
  virtual void SetPrevEnabled(bool enabled) = 0;
  virtual void SetNextEnabled(bool enabled) = 0;
};

// The index label: the number of the first entry on the page, " / ", the total; "0 / 0" when
// the view is empty.
std::string DtcIndexText(int32_t offset, int32_t total);

class DtcPaging {
 public:
  // `dtcFiltered` is the main window's flag that the list shows search results.
  DtcPaging(DtcTable& table, DtcListView& view, bool& dtcFiltered);

  // The list's first page, unfiltered.
  void InitDtcList();
  // A change of the search text, given upper-cased by the page. True when the search is now
  // cleared (the page then moves its search box back and gives the list the focus).
  bool EditSearchChange(const std::string& upperText);
  void Button_NextClick();
  void Button_PrevClick();

  // Fill the page at dtcOffset: every entry, or the entries whose code contains the search.
  void FillDtcPage();
  void FillDtcSearchPage();

  int32_t dtcTotal = 0;
  int32_t dtcOffset = 0;

 private:
  // Fills the page from the entries that `search` selects (all when empty), then the label
  // and both buttons.
  void Fill(const std::string& search);
  void Refill();

  DtcTable& table_;
  DtcListView& view_;
  bool& dtcFiltered_;
  std::string searchText_;  // the search box's text, upper-cased
};

}  // namespace vortik

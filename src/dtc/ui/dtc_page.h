// The DTC Lookup page: searches the trouble code table and shows it fifteen codes a page, with
// the search box and its frame, Prev and Next, the index label and the column headings.
#pragma once

#include <QWidget>

#include "dtc/dtc_file.h"
#include "dtc/dtc_paging.h"

class QLabel;
class QLineEdit;

namespace vortik {

class Host;
class PictureControl;
class RowTable;
class TBitmapFactory;

// The list's columns and rows as shown: the code after one space, the brand, and the contents
// after an ideographic space. Each line of the table is shown as UTF-8 when it is valid UTF-8,
// else as ISO-8859-1 (one character per byte).
struct DtcRowTexts {
  QString items;
  QString brand;
  QString contents;
};
DtcRowTexts DtcRowTextsOf(const DtcEntryView& entry);

class DtcLookupPage : public QWidget, private DtcListView {
  Q_OBJECT

 public:
  // Builds the page in `window` and shows the table's first page. `locate` gives the table's
  // path on every reading.
  DtcLookupPage(QWidget* window, Host& host, TBitmapFactory& pictures,
                std::function<std::string()> locate = FindDtcTable);

  void InitDtcList();
  void EditSearchChange();
  void Edit_Search_Click();
  void Button_PrevClick();
  void Button_NextClick();
  void DtcListDblClick();

  const DtcPaging& paging() const { return paging_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls(TBitmapFactory& pictures);

  // DtcListView
  void ClearRows() override;
  void AddRow(const DtcEntryView& entry) override;
  void SetIndexText(const std::string& text) override;
  void SetPrevEnabled(bool enabled) override;
  void SetNextEnabled(bool enabled) override;

  Host& host_;
  // The frame picture is drawn when the page first shows: nothing needs it before.
  TBitmapFactory* framePictures_ = nullptr;
  DtcTable table_;
  DtcPaging paging_;

  PictureControl* imgframe_dtclookup = nullptr;
  QLabel* Label_Search = nullptr;
  PictureControl* Image1 = nullptr;
  QLineEdit* EditSearch = nullptr;
  PictureControl* Button_Prev = nullptr;
  QLabel* Label_Index = nullptr;
  PictureControl* Button_Next = nullptr;
  QLabel* Label_Items = nullptr;
  QLabel* Label_Brands = nullptr;
  QLabel* Label_Contents = nullptr;
  RowTable* DTCLookupList = nullptr;
};

}  // namespace vortik

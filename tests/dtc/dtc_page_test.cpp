// The DTC Lookup page's widgets: paging by real clicks, the search box, double-click, the
// focused row's look, the text encodings and what screen readers are given.
#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <string>

#include "dtc/ui/dtc_page.h"
#include "helpers/click.h"
#include "helpers/recording_host.h"
#include "i18n/temp_folder.h"
#include "skin/bitmap_factory.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/qt_resource_store.h"

namespace vortik {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

std::string Table(int entries) {
  std::string bytes;
  for (int i = 0; i < entries; ++i) {
    char code[16];
    std::snprintf(code, sizeof(code), "P%04d", i);
    bytes += std::string(code) + " Generic Entry " + std::to_string(i) + "\n";
  }
  return bytes;
}

class DtcPageTest : public ::testing::Test {
 protected:
  void Open(const std::string& bytes) {
    WriteBytes(path_, bytes);
    page_ = std::make_unique<DtcLookupPage>(nullptr, host_, pictures_, [this] { return path_; });
    page_->resize(953, 492);
    page_->show();
  }
  template <typename T>
  T* Find(const char* name) {
    return page_->findChild<T*>(QString::fromLatin1(name));
  }
  QTableWidget* List() { return Find<QTableWidget>("DTCLookupList"); }
  QString Index() { return Find<QLabel>("Label_Index")->text(); }
  QString Cell(int row, int column) {
    QTableWidgetItem* item = List()->item(row, column);
    return item != nullptr ? item->text() : QString();
  }
  bool Enabled(const char* name) { return Find<PictureControl>(name)->isEnabled(); }
  void Click(const char* name) {
    auto* button = Find<PictureControl>(name);
    test::SendLeftClick(button, QPointF(button->width() / 2.0, button->height() / 2.0));
  }
  void Type(const QString& text) { Find<QLineEdit>("EditSearch")->setText(text); }

  TempFolder dir_;
  std::string path_ = dir_.File("OBDII.txt");
  test::RecordingHost host_;
  TBitmapFactory pictures_{QtResourceStore::Instance()};
  std::unique_ptr<DtcLookupPage> page_;
};

TEST_F(DtcPageTest, FifteenAndSixteenEntriesByClicks) {
  Open(Table(15));
  EXPECT_EQ(List()->rowCount(), 15);
  EXPECT_EQ(Index(), "1 / 15");
  EXPECT_FALSE(Enabled("Button_Prev"));
  EXPECT_FALSE(Enabled("Button_Next"));

  Open(Table(16));
  EXPECT_EQ(Index(), "1 / 16");
  EXPECT_TRUE(Enabled("Button_Next"));
  Click("Button_Next");
  EXPECT_EQ(List()->rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), " P0015");
  EXPECT_EQ(Index(), "16 / 16");
  EXPECT_FALSE(Enabled("Button_Next"));
  EXPECT_TRUE(Enabled("Button_Prev"));
  Click("Button_Next");  // disabled: takes no click
  EXPECT_EQ(Index(), "16 / 16");
  Click("Button_Prev");
  EXPECT_EQ(Index(), "1 / 16");
  EXPECT_EQ(List()->rowCount(), 15);
  EXPECT_FALSE(Enabled("Button_Prev"));
  EXPECT_TRUE(Enabled("Button_Next"));
}

TEST_F(DtcPageTest, SearchBoxFollowsTypingAndClearing) {
  Open(Table(40));
  auto* edit = Find<QLineEdit>("EditSearch");
  EXPECT_EQ(edit->geometry(), QRect(176, 8, 177, 25));
  EXPECT_EQ(edit->maxLength(), 32);
  QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
  QApplication::sendEvent(edit, &focusIn);
  EXPECT_EQ(edit->geometry(), QRect(145, 12, 177, 25));  // over the magnifier while typing

  Click("Button_Next");  // a search starts on its first page whatever the last turn left
  Type("p002");
  EXPECT_TRUE(host_.state().dtcFiltered);
  EXPECT_EQ(Index(), "1 / 10");
  EXPECT_EQ(Cell(0, 0), " P0020");
  EXPECT_FALSE(Enabled("Button_Prev"));
  EXPECT_FALSE(Enabled("Button_Next"));
  Type("9");  // in the middle of codes: P0009, P0019, P0029, P0039
  EXPECT_EQ(Index(), "1 / 4");
  Type("X");
  EXPECT_EQ(Index(), "0 / 0");
  EXPECT_EQ(List()->rowCount(), 0);

  Type("   ");  // blanks only: the whole table, the box back beside the magnifier
  EXPECT_FALSE(host_.state().dtcFiltered);
  EXPECT_EQ(Index(), "1 / 40");
  EXPECT_EQ(edit->geometry(), QRect(175, 12, 177, 25));
  EXPECT_TRUE(Enabled("Button_Next"));
}

TEST_F(DtcPageTest, MissingFileShowsZeroOfZeroWithoutAMessage) {
  page_ = std::make_unique<DtcLookupPage>(nullptr, host_, pictures_, [this] { return path_; });
  EXPECT_EQ(Index(), "0 / 0");
  EXPECT_EQ(List()->rowCount(), 0);
  Type("P");
  EXPECT_EQ(Index(), "0 / 0");
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(DtcPageTest, FileChangedOnDiskBetweenTwoSearches) {
  Open(Table(20));
  Type("P001");
  EXPECT_EQ(Index(), "1 / 10");
  WriteBytes(path_, Table(12));
  Type("P00");
  Type("P001");
  EXPECT_EQ(Index(), "1 / 2");
  EXPECT_EQ(Cell(1, 0), " P0011");
}

TEST_F(DtcPageTest, DoubleClickOrEnterShowsTheContentsColumn) {
  Open(
      "P0420 Generic Catalyst system efficiency below threshold, bank 1\n"
      "P0430 Generic Catalyst system efficiency below threshold, bank 2\n");
  QTableWidget* list = List();
  page_->DtcListDblClick();  // nothing selected: nothing shown
  EXPECT_TRUE(host_.messages.empty());
  // A double click as the mouse delivers it: press, release, double-click, release.
  QWidget* viewport = list->viewport();
  const QPointF at = list->visualRect(list->model()->index(0, 2)).center();
  const QPointF global = viewport->mapToGlobal(at);
  test::SendLeftClick(viewport, at);
  QMouseEvent dbl(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(viewport, &dbl);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(viewport, &release);
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0], "\u3000Catalyst system efficiency below threshold, bank 1");

  // From the keyboard: the arrow keys reach the next row, Enter (either key) opens it.
  for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
    list->setCurrentCell(0, 0);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(list, &down);
    QKeyEvent enter(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(list, &enter);
    EXPECT_EQ(host_.messages.back(), "\u3000Catalyst system efficiency below threshold, bank 2");
  }
  EXPECT_EQ(host_.messages.size(), 3u);
}

TEST_F(DtcPageTest, EachLineShownAsUtf8OrElseLatin1) {
  Open(
      "P0001 Generic Temp\xC3\xA9rature \xE2\x80\x93 capteur\n"  // valid UTF-8
      "P0002 G\xE9n\xE9rique Temp\xE9rature\n");                 // ISO-8859-1
  EXPECT_EQ(Cell(0, 2), QString::fromUtf8("\u3000Température – capteur"));
  EXPECT_EQ(Cell(1, 1), QString::fromUtf8("Générique"));
  EXPECT_EQ(Cell(1, 2), QString::fromUtf8("\u3000Température"));
}

TEST_F(DtcPageTest, FocusedRowIsYellowOnBlueInBold) {
  Open(Table(3));
  QTableWidget* list = List();
  page_->activateWindow();
  list->setFocus();
  list->setCurrentCell(1, 0);
  QApplication::processEvents();
  ASSERT_TRUE(list->hasFocus());
  const QImage image = list->viewport()->grab().toImage();
  const QRect focused = list->visualRect(list->model()->index(1, 2));
  const QRect other = list->visualRect(list->model()->index(2, 2));
  // Away from the text: the row's background.
  EXPECT_EQ(image.pixelColor(focused.right() - 5, focused.center().y()), QColor(0, 0, 255));
  EXPECT_EQ(image.pixelColor(other.right() - 5, other.center().y()), QColor(0x12, 0x44, 0x83));
  // The text: some yellow pixels on the focused row, none on the other.
  auto yellowPixels = [&image](const QRect& r) {
    int n = 0;
    for (int x = r.left(); x < r.left() + 200; ++x) {
      for (int y = r.top(); y <= r.bottom(); ++y)
        n += image.pixelColor(x, y) == QColor(255, 255, 0);
    }
    return n;
  };
  EXPECT_GT(yellowPixels(focused), 20);
  EXPECT_EQ(yellowPixels(other), 0);
}

// The focused row is drawn apart, all of it: when the keys move the focus, both rows are
// drawn again whole, not only the cells the table view updates.
TEST_F(DtcPageTest, MovingTheFocusDrawsBothRowsAgainWhole) {
  Open(Table(3));
  QTableWidget* list = List();
  page_->activateWindow();
  list->setFocus();
  // As the focus comes in by Tab: the first row current, none selected yet.
  list->selectionModel()->setCurrentIndex(list->model()->index(0, 0),
                                          QItemSelectionModel::NoUpdate);
  list->clearSelection();
  QApplication::processEvents();
  ASSERT_TRUE(list->hasFocus());
  struct PaintedRegion : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
      return false;
    }
  } paints;
  list->viewport()->installEventFilter(&paints);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(list, &down);
  QApplication::processEvents();
  list->viewport()->removeEventFilter(&paints);
  ASSERT_EQ(list->currentRow(), 1);
  for (int row : {0, 1}) {
    const QRect whole = list->visualRect(list->model()->index(row, 0))
                            .united(list->visualRect(list->model()->index(row, 2)));
    EXPECT_TRUE(QRegion(whole).subtracted(paints.painted).isEmpty()) << "row " << row;
  }
}

// Screen readers get the list as one item per row, named by the row's code, maker and meaning,
// with the row the arrow keys reach as the focused one; the search box has a name.
TEST_F(DtcPageTest, ScreenReadersReadEachRowAsOneNamedItem) {
  std::string bytes =
      "P0100 Generic Mass or volume air flow sensor circuit\n"
      "P0101 Generic Mass or volume air flow sensor circuit range/performance\n";
  for (int i = 0; i < 14; ++i) bytes += "P02" + std::to_string(10 + i) + " Generic Injector\n";
  Open(bytes);
  QTableWidget* list = List();
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(list);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->role(), QAccessible::List);
  ASSERT_EQ(face->childCount(), 15);
  QAccessibleInterface* first = face->child(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->role(), QAccessible::ListItem);
  EXPECT_EQ(first->text(QAccessible::Name), "P0100 Generic Mass or volume air flow sensor circuit");
  EXPECT_EQ(face->child(1)->text(QAccessible::Name),
            "P0101 Generic Mass or volume air flow sensor circuit range/performance");
  EXPECT_EQ(face->indexOfChild(face->child(1)), 1);
  EXPECT_EQ(face->child(1)->parent(), face);
  EXPECT_EQ(face->childAt(first->rect().center().x(), first->rect().center().y()), first);
  EXPECT_EQ(face->child(15), nullptr);
  // The search box is named by the label beside it.
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(Find<QLineEdit>("EditSearch"))->text(QAccessible::Name),
      "Search");

  // The next page: the same items, read again, name the rows shown now.
  Click("Button_Next");
  ASSERT_EQ(face->childCount(), 1);
  EXPECT_EQ(face->child(0), first);
  EXPECT_EQ(first->text(QAccessible::Name), "P0223 Generic Injector");
  Click("Button_Prev");

  // The arrow keys move the focus from row to row; the row with it is the focused, selected
  // item (what Qt tells screen readers about when the row changes is checked over AT-SPI).
  page_->activateWindow();
  list->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(list->hasFocus());
  EXPECT_TRUE(face->child(0)->state().focused);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(list, &down);
  ASSERT_EQ(list->currentRow(), 1);
  EXPECT_EQ(face->focusChild(), face->child(1));
  EXPECT_TRUE(face->child(1)->state().focused);
  EXPECT_TRUE(face->child(1)->state().selected);
  EXPECT_FALSE(face->child(0)->state().focused);
  EXPECT_FALSE(face->child(0)->state().selected);
}

}  // namespace
}  // namespace vortik

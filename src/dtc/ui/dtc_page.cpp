#include "dtc/ui/dtc_page.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStringDecoder>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <utility>

#include "base/host.h"
#include "skin/ui/accessibility.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/row_table.h"
#include "skin/ui/skin_colours.h"

namespace vortik {

namespace {

constexpr int kItemsWidth = 125;
constexpr int kBrandWidth = 125;
constexpr int kRowHeight = 26;
// The search box's place (page coordinates) while the user types, covering the frame's
// magnifier, and after a cleared search.
constexpr QPoint kSearchTyping(145, 12);
constexpr QPoint kSearchCleared(175, 12);
constexpr int kSearchHeight = 25;

const QColor kListText(0x00, 0xFF, 0xE4);
const QColor kGridLines(0x3C, 0x6C, 0xA8);
const QColor kFocusedText(0xFF, 0xFF, 0x00);
const QColor kFocusedBackground(0x00, 0x00, 0xFF);
const QColor kWhite(0xFF, 0xFF, 0xFF);
// The ideographic space that leads the contents column.
const QChar kIdeographicSpace(0x3000);

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& bounds, const QString& face,
                  int pixelSize, Qt::Alignment alignment, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(bounds);
  label->setAttribute(Qt::WA_TranslucentBackground);
  QFont font(face);
  font.setPixelSize(pixelSize);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, kWhite);
  label->setPalette(palette);
  label->setAlignment(alignment);
  return label;
}

// Draws the focused row yellow on blue in bold, whatever the list's colours, and no selection
// highlight on any other row.
class FocusedRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    const auto* view = qobject_cast<const QAbstractItemView*>(opt.widget);
    const bool focused = view != nullptr && view->hasFocus() && view->currentIndex().isValid() &&
                         view->currentIndex().row() == index.row();
    if (focused) {
      painter->fillRect(opt.rect, kFocusedBackground);
      opt.font.setBold(true);
      opt.palette.setColor(QPalette::Text, kFocusedText);
    }
    opt.backgroundBrush = Qt::NoBrush;
    QStyle* style = opt.widget != nullptr ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
  }
};

QString DecodeField(std::string_view bytes, bool utf8) {
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return utf8 ? QString::fromUtf8(view) : QString::fromLatin1(view);
}

bool IsUtf8(std::string_view bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString ignored =
      decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return !decoder.hasError();
}

}  // namespace

DtcRowTexts DtcRowTextsOf(const DtcEntryView& entry) {
  const bool utf8 = IsUtf8(entry.code) && IsUtf8(entry.brand) && IsUtf8(entry.contents);
  return {QStringLiteral(" ") + DecodeField(entry.code, utf8), DecodeField(entry.brand, utf8),
          QString(kIdeographicSpace) + DecodeField(entry.contents, utf8)};
}

DtcLookupPage::DtcLookupPage(QWidget* window, Host& host, TBitmapFactory& pictures,
                             std::function<std::string()> locate)
    : QWidget(window),
      host_(host),
      table_(std::move(locate)),
      paging_(table_, *this, host.state().dtcFiltered) {
  setObjectName(QStringLiteral("TabSheet3"));
  setAttribute(Qt::WA_TranslucentBackground);
  BuildControls(pictures);
  InitDtcList();
}

void DtcLookupPage::showEvent(QShowEvent* event) {
  if (framePictures_ != nullptr) {
    TBitmapFactory& pictures = *std::exchange(framePictures_, nullptr);
    imgframe_dtclookup->DrawPicture(pictures, "png:frame_dtclookup", false);
  }
  QWidget::showEvent(event);
}

void DtcLookupPage::BuildControls(TBitmapFactory& pictures) {
  // The frame picture; its fully transparent pixels show the window behind.
  imgframe_dtclookup = new PictureControl(this, "imgframe_dtclookup", 0, 0, 960, 496);
  framePictures_ = &pictures;

  Label_Search =
      MakeLabel(this, "Label_Search", QRect(16, 10, 97, 30), QStringLiteral("Microsoft YaHei UI"),
                20, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Search"));

  Image1 = new PictureControl(this, "Image1", 140, 8, 217, 33);
  ActivateImageButton(pictures, Image1, "png:editsearch_frame", "png:editsearch_frame_edit");
  connect(Image1, &PictureControl::clicked, this, [this] { EditSearch->setFocus(); });

  EditSearch = new QLineEdit(this);
  EditSearch->setObjectName(QStringLiteral("EditSearch"));
  EditSearch->setGeometry(176, 8, 177, kSearchHeight);
  EditSearch->setMaxLength(32);
  EditSearch->setFrame(false);
  QFont searchFont(QStringLiteral("微软雅黑"));
  searchFont.setPixelSize(18);
  searchFont.setBold(true);
  EditSearch->setFont(searchFont);
  QPalette searchPalette = EditSearch->palette();
  searchPalette.setColor(QPalette::Base, kSkinEditBlue);
  searchPalette.setColor(QPalette::Text, kWhite);
  EditSearch->setPalette(searchPalette);
  EditSearch->installEventFilter(this);
  connect(EditSearch, &QLineEdit::textChanged, this, &DtcLookupPage::EditSearchChange);
  // Screen readers name the box by the label beside it.
  Label_Search->setBuddy(EditSearch);

  Button_Prev = new PictureControl(this, "Button_Prev", 404, 8, 89, 33);
  ActivateImageButton(pictures, Button_Prev, "png:button_prev_enable", "png:button_prev_disable",
                      {}, "png:button_prev_disable");
  Button_Prev->setEnabled(false);
  connect(Button_Prev, &PictureControl::clicked, this, &DtcLookupPage::Button_PrevClick);

  Label_Index =
      MakeLabel(this, "Label_Index", QRect(512, 8, 113, 33), QStringLiteral("MS Sans Serif"), 16,
                Qt::AlignCenter, QStringLiteral("1/1"));

  Button_Next = new PictureControl(this, "Button_Next", 644, 8, 89, 33);
  ActivateImageButton(pictures, Button_Next, "png:button_next_enable", "png:button_next_disable",
                      {}, "png:button_next_disable");
  connect(Button_Next, &PictureControl::clicked, this, &DtcLookupPage::Button_NextClick);
  for (PictureControl* button : {Button_Prev, Button_Next}) {
    MakeSkinButton(button, ButtonRole::kPushButton);
    SetFocusRingRadius(button, 15);
  }
  // The search box's frame and the list's frame are pictures around other controls.
  HideFromAssistiveTech(Image1);
  HideFromAssistiveTech(imgframe_dtclookup);

  const QString headingFace = QStringLiteral("Microsoft YaHei UI");
  const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
  Label_Items = MakeLabel(this, "Label_Items", QRect(28, 62, 81, 30), headingFace, 20, left,
                          QStringLiteral("Items"));
  Label_Brands = MakeLabel(this, "Label_Brands", QRect(154, 65, 140, 27), headingFace, 20, left,
                           QStringLiteral("Manufacturer"));
  Label_Contents = MakeLabel(this, "Label_Contents", QRect(298, 65, 200, 27), headingFace, 20, left,
                             QStringLiteral("Contents"));

  // Screen readers read each line as one item: the code, the maker and the meaning.
  DTCLookupList = new RowTable(0, 3, this);
  DTCLookupList->setObjectName(QStringLiteral("DTCLookupList"));
  DTCLookupList->setGeometry(17, 96, 923, 391);
  DTCLookupList->setFrameShape(QFrame::NoFrame);
  DTCLookupList->setShowGrid(true);
  DTCLookupList->setSelectionBehavior(QAbstractItemView::SelectRows);
  DTCLookupList->setSelectionMode(QAbstractItemView::SingleSelection);
  DTCLookupList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DTCLookupList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  DTCLookupList->setWordWrap(false);
  DTCLookupList->horizontalHeader()->hide();
  DTCLookupList->verticalHeader()->hide();
  DTCLookupList->verticalHeader()->setDefaultSectionSize(kRowHeight);
  DTCLookupList->horizontalHeader()->resizeSection(0, kItemsWidth);
  DTCLookupList->horizontalHeader()->resizeSection(1, kBrandWidth);
  DTCLookupList->horizontalHeader()->setStretchLastSection(true);
  DTCLookupList->setItemDelegate(new FocusedRowDelegate(DTCLookupList));
  QPalette listPalette = DTCLookupList->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    listPalette.setColor(group, QPalette::Base, kSkinListBlue);
    listPalette.setColor(group, QPalette::Window, kSkinListBlue);
    listPalette.setColor(group, QPalette::Text, kListText);
    listPalette.setColor(group, QPalette::Mid, kGridLines);
  }
  DTCLookupList->setPalette(listPalette);
  DTCLookupList->setStyleSheet(
      QStringLiteral("QTableView { gridline-color: %1; }").arg(kGridLines.name()));
  QFont listFont(QStringLiteral("Arial"));
  listFont.setPixelSize(21);  // a character cell 24 pixels high
  DTCLookupList->setFont(listFont);
  connect(DTCLookupList, &QTableWidget::cellDoubleClicked, this,
          [this](int, int) { DtcListDblClick(); });
  // Enter on the focused row does what a double click does, for those without a mouse.
  DTCLookupList->installEventFilter(this);
}

void DtcLookupPage::InitDtcList() {
  paging_.InitDtcList();
}

void DtcLookupPage::EditSearchChange() {
  // Upper-cased by the user's locale rules; the table's codes are compared as stored.
  const std::string upper = EditSearch->text().toUpper().toStdString();
  // An empty search shows the whole table. The box goes back to its resting place beside the
  // magnifier only when the user is not typing in it: the focus stays where the user types, so
  // the next letters are not lost.
  if (paging_.EditSearchChange(upper) && !EditSearch->hasFocus()) {
    EditSearch->setGeometry(QRect(kSearchCleared, QSize(EditSearch->width(), kSearchHeight)));
  }
}

void DtcLookupPage::Edit_Search_Click() {
  EditSearch->setGeometry(QRect(kSearchTyping, QSize(EditSearch->width(), kSearchHeight)));
}

void DtcLookupPage::Button_PrevClick() {
  paging_.Button_PrevClick();
}

void DtcLookupPage::Button_NextClick() {
  paging_.Button_NextClick();
}

void DtcLookupPage::DtcListDblClick() {
  const QList<QTableWidgetItem*> selected = DTCLookupList->selectedItems();
  if (selected.isEmpty()) return;
  const QTableWidgetItem* contents = DTCLookupList->item(selected.front()->row(), 2);
  if (contents != nullptr) host_.ShowMessage(contents->text().toStdString());
}

bool DtcLookupPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == EditSearch && event->type() == QEvent::FocusIn) {
    Edit_Search_Click();
  } else if (watched == EditSearch && event->type() == QEvent::FocusOut &&
             EditSearch->text().isEmpty()) {
    // Left empty: back beside the magnifier.
    EditSearch->setGeometry(QRect(kSearchCleared, QSize(EditSearch->width(), kSearchHeight)));
  } else if (watched == DTCLookupList && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      DtcListDblClick();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void DtcLookupPage::ClearRows() {
  DTCLookupList->setRowCount(0);
}

void DtcLookupPage::AddRow(const DtcEntryView& entry) {
  const DtcRowTexts texts = DtcRowTextsOf(entry);
  const int row = DTCLookupList->rowCount();
  DTCLookupList->insertRow(row);
  auto* items = new QTableWidgetItem(texts.items);
  items->setTextAlignment(Qt::AlignCenter);
  auto* brand = new QTableWidgetItem(texts.brand);
  brand->setTextAlignment(Qt::AlignCenter);
  auto* contents = new QTableWidgetItem(texts.contents);
  contents->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  DTCLookupList->setItem(row, 0, items);
  DTCLookupList->setItem(row, 1, brand);
  DTCLookupList->setItem(row, 2, contents);
}

void DtcLookupPage::SetIndexText(const std::string& text) {
  Label_Index->setText(QString::fromStdString(text));
}

void DtcLookupPage::SetPrevEnabled(bool enabled) {
  Button_Prev->setEnabled(enabled);
}

void DtcLookupPage::SetNextEnabled(bool enabled) {
  Button_Next->setEnabled(enabled);
}

}  // namespace vortik

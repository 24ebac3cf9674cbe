#include "i18n/ui/language_dialog.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "i18n/lang_table.h"
#include "i18n/ui/fonts.h"
#include "i18n/ui/lang_ui.h"
#include "skin/bitmap_factory.h"
#include "skin/ui/accessibility.h"
#include "skin/ui/click_label.h"
#include "skin/ui/message_box.h"
#include "skin/ui/picture_control.h"
#include "skin/ui/qt_resource_store.h"
#include "skin/ui/text_fit.h"
#include "skin/ui/title_band.h"

namespace vortik {

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 584;
constexpr int kDragBandHeight = 75;

struct RadioPlace {
  int x;
  int y;
  QColor background;  // the colour of the background picture behind the button
};

const RadioPlace kRadioPlaces[12] = {
    {176, 168, QColor(22, 76, 140)}, {176, 213, QColor(21, 76, 138)},
    {176, 258, QColor(22, 73, 136)}, {176, 303, QColor(18, 72, 134)},
    {176, 348, QColor(15, 66, 131)}, {176, 393, QColor(11, 59, 125)},
    {656, 168, QColor(29, 89, 151)}, {656, 213, QColor(28, 86, 149)},
    {656, 256, QColor(25, 84, 144)}, {656, 303, QColor(23, 79, 140)},
    {656, 348, QColor(24, 78, 140)}, {656, 393, QColor(21, 72, 135)},
};
constexpr int kRadioWidth = 130;
constexpr int kRadioHeight = 25;

// A light ring; the chosen language gets a bright dot inside it.
constexpr const char* kRadioIndicatorStyle =
    "QRadioButton { spacing: 8px; }"
    "QRadioButton::indicator { width: 12px; height: 12px; border-radius: 8px;"
    " border: 2px solid rgba(225, 238, 255, 210); background: transparent; }"
    "QRadioButton::indicator:hover { border-color: white; }"
    "QRadioButton::indicator:checked { border-color: white; background: qradialgradient("
    "cx: 0.5, cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5, stop: 0 #ffffff, stop: 0.45 #8fd8ff,"
    " stop: 0.55 rgba(0, 0, 0, 0), stop: 1 rgba(0, 0, 0, 0)); }";

// The picture frame around a button caption; it reports clicks like a caption.
class ButtonFrame : public ClickLabel {
 public:
  ButtonFrame(QWidget* parent, const char* name, QRect place, bool primary)
      : ClickLabel(parent, name, place.x(), place.y(), place.width(), place.height()),
        primary_(primary) {
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    if (primary_) {
      fill.setColorAt(0, QColor(58, 160, 255));
      fill.setColorAt(1, QColor(20, 104, 206));
    } else {
      fill.setColorAt(0, QColor(30, 72, 128));
      fill.setColorAt(1, QColor(14, 50, 102));
    }
    p.setPen(QPen(primary_ ? QColor(150, 210, 255) : QColor(96, 140, 196), 1.5));
    p.setBrush(fill);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  }

 private:
  bool primary_;
};

// The designed sizes of the title and the button captions, and the smallest a long
// translation shrinks them to.
constexpr int kTitlePixelSize = 26;
constexpr int kSmallestTitlePixelSize = 16;
constexpr int kCaptionPixelSize = 17;
constexpr int kSmallestCaptionPixelSize = 11;

QFont PixelFont(const char* family, int pixels, bool bold = false) {
  QFont font;
  font.setFamilies({QString::fromUtf8(family)});
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void SetWhiteText(QWidget* w) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  pal.setColor(QPalette::ButtonText, Qt::white);
  pal.setColor(QPalette::Text, Qt::white);
  w->setPalette(pal);
}

}  // namespace

TForm1::TForm1(QWidget* parent, const LanguageFiles& files) : QDialog(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  new TitleBandDrag(this, kDragBandHeight);
  setModal(true);

  // The stored language and the texts of its section (English for a number outside 1..12).
  const LanguageFiles resolved = ResolveLanguageFiles(files);
  path_ = resolved.choice;
  const LanguageTable table = LoadLanguageTable(resolved.texts, path_);
  storedLanguage_ = table.langIndex;
  // Normally done by the entry already; the dialog must not depend on it to look right.
  InstallFontSubstitutions(storedLanguage_);

  Label_LanguageSettings = new QLabel(this);
  Label_LanguageSettings->setObjectName(QStringLiteral("Label_LanguageSettings"));
  // The title is centred over the dialog with room for the longer translations.
  Label_LanguageSettings->setGeometry(104, 48, 760, 40);
  Label_LanguageSettings->setAlignment(Qt::AlignCenter);
  Label_LanguageSettings->setFont(PixelFont("Calibri", kTitlePixelSize, true));
  SetWhiteText(Label_LanguageSettings);

  const auto languages = Languages();
  for (size_t i = 0; i < radios_.size(); ++i) {
    auto* radio = new QRadioButton(QString::fromUtf8(languages[i].name), this);
    radio->setObjectName(QStringLiteral("TntRadioButton%1").arg(i + 1));
    radio->setGeometry(kRadioPlaces[i].x, kRadioPlaces[i].y, kRadioWidth, kRadioHeight);
    radio->setFont(PixelFont(i == 0 ? "宋体" : "微软雅黑", i == 6 ? 16 : 17));
    radio->setCursor(Qt::PointingHandCursor);
    QPalette pal = radio->palette();
    pal.setColor(QPalette::Window, kRadioPlaces[i].background);
    pal.setColor(QPalette::WindowText, Qt::white);
    radio->setPalette(pal);
    radio->setBackgroundRole(QPalette::Window);
    radio->setAutoFillBackground(true);
    radio->setStyleSheet(QString::fromLatin1(kRadioIndicatorStyle));
    radios_[i] = radio;
  }

  ClickLabel* confirmFrame =
      new ButtonFrame(this, "ImgButtonConfirm", QRect(325, 456, 150, 39), true);
  auto* confirm = new ClickLabel(this, "Label_Confirm", 336, 464, 130, 30);
  ClickLabel* cancelFrame =
      new ButtonFrame(this, "ImgButtonCancel", QRect(493, 455, 150, 40), false);
  auto* cancel = new ClickLabel(this, "Label_Cancel", 496, 464, 130, 30);
  // Only a click on the Confirm caption applies; the frames and the Cancel caption cancel.
  connect(confirm, &ClickLabel::clicked, this, &TForm1::Label_ConfirmClick);
  for (ClickLabel* other : {confirmFrame, cancelFrame, cancel}) {
    connect(other, &ClickLabel::clicked, this, &TForm1::Label_CancelClick);
  }
  ImgButtonConfirm = confirmFrame;
  Label_Confirm = confirm;
  ImgButtonCancel = cancelFrame;
  Label_Cancel = cancel;
  // The captions are the dialog's two buttons for the keyboard and screen readers; the frames
  // around them are their faces.
  for (ClickLabel* caption : {confirm, cancel}) MakeSkinButton(caption, ButtonRole::kPushButton);
  HideFromAssistiveTech(confirmFrame);
  HideFromAssistiveTech(cancelFrame);

  for (QLabel* caption : {Label_Confirm, Label_Cancel}) {
    // The caption is centred on its frame's face; the frame sits a few pixels higher.
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    caption->setFont(PixelFont("微软雅黑", kCaptionPixelSize));
    caption->setCursor(Qt::PointingHandCursor);
    caption->setTextFormat(Qt::PlainText);
    SetWhiteText(caption);
  }

  CloseButton = new QPushButton(this);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));
  CloseButton->setGeometry(920, 19, 24, 24);
  CloseButton->setFlat(true);
  CloseButton->setFocusPolicy(Qt::NoFocus);
  CloseButton->setCursor(Qt::PointingHandCursor);
  CloseButton->setStyleSheet(
      QStringLiteral("QPushButton { border: none; background: transparent; }"
                     "QPushButton:hover { background: rgba(255,255,255,40);"
                     " border-radius: 4px; }"));
  connect(CloseButton, &QPushButton::clicked, this, &TForm1::CloseButtonClick);

  Label_Version = new QLabel(QStringLiteral("Version: 9.4"), this);
  Label_Version->setObjectName(QStringLiteral("Label_Version"));
  Label_Version->move(30, 540);
  Label_Version->setFont(PixelFont("Calibri Light", 15));
  SetWhiteText(Label_Version);
  Label_Version->adjustSize();

  CheckStoredLanguage();
  Label_Confirm->setText(QString::fromStdString(table.texts[TextId::ConfirmButton]));
  Label_Cancel->setText(QString::fromStdString(table.texts[TextId::CancelButton]));
  setWindowTitle(QStringLiteral(" "));
  Label_LanguageSettings->setTextFormat(Qt::PlainText);
  Label_LanguageSettings->setText(QString::fromStdString(table.texts[TextId::LanguageSettings]));
  if (storedLanguage_ == 1) {
    QFont font = Label_LanguageSettings->font();
    font.setFamilies({QString::fromUtf8(kChineseFontName)});
    Label_LanguageSettings->setFont(font);
  }
  FitLabelText(Label_LanguageSettings, kTitlePixelSize, kSmallestTitlePixelSize);
  for (QLabel* caption : {Label_Confirm, Label_Cancel}) {
    FitLabelText(caption, kCaptionPixelSize, kSmallestCaptionPixelSize);
  }

  setFixedSize(kWidth, kHeight);
}

QRadioButton* TForm1::RadioButton(int n) const {
  return n >= 1 && n <= static_cast<int>(radios_.size()) ? radios_[static_cast<size_t>(n - 1)]
                                                         : nullptr;
}

void TForm1::CheckStoredLanguage() {
  QRadioButton* radio = RadioButton(storedLanguage_);
  if (radio == nullptr) radio = radios_[0];
  radio->setChecked(true);
  radio->setFocus();
}

void TForm1::paintEvent(QPaintEvent* /*event*/) {
  if (background_.isNull()) {
    // Decoded when the dialog is first drawn, not when it is made.
    TBitmapFactory factory(QtResourceStore::Instance());
    factory.decodeDoubled = devicePixelRatioF() > 1;
    background_ = SkinPixmap(factory.LoadBitmapA("png:form1", false).get());
  }
  QPainter painter(this);
  painter.drawPixmap(rect(), background_.ForRatio(PaintRatio(painter)));
}

void TForm1::showEvent(QShowEvent* event) {
  // A choice left without Confirm does not survive: each showing starts from the stored one.
  CheckStoredLanguage();
  QDialog::showEvent(event);
}

void TForm1::Label_ConfirmClick() {
  int chosen = 0;
  for (int n = 1; n <= static_cast<int>(radios_.size()); ++n) {
    if (RadioButton(n)->isChecked()) chosen = n;
  }
  if (chosen == storedLanguage_ || chosen == 0) {
    reject();
    CheckStoredLanguage();
    return;
  }
  if (!WriteStoredLanguage(path_, chosen)) {
    // The stored number stays as it was, so a second Confirm tries the write again.
    ShowMessageBox(this,
                   QStringLiteral("Unable to write to %1").arg(QString::fromStdString(path_)));
    return;
  }
  storedLanguage_ = chosen;
  Q_EMIT restartRequested();
  accept();
  if (QWidget* owner = parentWidget()) owner->window()->close();
}

void TForm1::Label_CancelClick() {
  reject();
}

void TForm1::CloseButtonClick() {
  reject();
}

}  // namespace vortik

#include "i18n/ui/lang_ui.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMetaProperty>
#include <QWidget>

#include <cstdint>
#include <initializer_list>

namespace vortik {

namespace {

// A text that becomes a control's caption as it is loaded, and the control's object name.
struct LangCaption {
  TextId id;
  const char* control;
};

constexpr LangCaption kCaptions[] = {
    {TextId::Product, "Label_Product"},
    {TextId::ContactInformation, "Label_ContactInformation"},
    {TextId::Email, "Label_Email"},
    {TextId::ManufactureBrand, "Label_ManufactureBrand"},
    {TextId::Model, "Label_Model"},
    {TextId::ProducedYearMonth, "Label_ProducedYearMonth"},
    {TextId::Origin, "Label_Origin"},
    {TextId::VinCode, "Label_VINCode"},
    {TextId::Problems, "Label_Problems"},
    {TextId::ButtonSummit, "Button_summit"},
    {TextId::FeedbackAttachRecord, "CheckBox_AttachRecord"},
    {TextId::LabelInternetUpgrade, "Label_InternetUpgrade"},
    {TextId::LabelPrint, "Label_Print"},
    {TextId::LabelDtcLoopup, "Label_DtcLookup"},
    {TextId::LabelFeedback, "Label_Feedback"},
    {TextId::LabelCheckUpdate, "Label_CheckUpdate"},
    {TextId::LabelUpgrade, "Label_Upgrade"},
    {TextId::LabelStep1Part1, "Label_Step1Part1"},
    {TextId::LabelStep1Part2, "Label_Step1Part2"},
    {TextId::LabelStep2, "Label_Step2"},
    {TextId::LabelStep2Part2, "Label_Step2Part2"},
    {TextId::LabelStep3, "Label_Step3"},
    {TextId::LabelStep3Part2, "Label_Step3Part2"},
    {TextId::LabelPrintPrint, "Label_PrintPrint"},
    {TextId::LabelClear, "Label_Clear"},
    {TextId::LabelCopy, "Label_Copy"},
    {TextId::LabelEdit, "Label_Edit"},
    {TextId::LabelSearch, "Label_Search"},
    {TextId::LabelItems, "Label_Items"},
    {TextId::LabelContents, "Label_Contents"},
    {TextId::LabelBrands, "Label_Brands"},
    {TextId::GroupUpgradeRom, "GroupBox_Upgrade1"},
    {TextId::GroupUpgradeFlash, "GroupBox_Upgrade2"},
    {TextId::GroupUpgradeLogo, "GroupBox_Upgrade3"},
};

// The names that screen readers give controls without a caption of their own (glyphs, pictures,
// the gauge), and the control's object name.
constexpr LangCaption kAccessibleNames[] = {
    {TextId::ButtonMenu, "SpeedButtonMenu"},     {TextId::LanguageSettings, "SpeedButtonSetting"},
    {TextId::ButtonMinimize, "btn_minimize"},    {TextId::ButtonClose, "SpeedButton4"},
    {TextId::ButtonPreviousPage, "Button_Prev"}, {TextId::ButtonNextPage, "Button_Next"},
    {TextId::LabelUpgrade, "ProgressBar10"},     {TextId::LabelDtcLoopup, "DTCLookupList"},
};

// The labels that language 1 sets in its own face.
constexpr const char* kChineseFontLabels[] = {
    "Label_Upgrade",
    "Label_Step1Part1",
    "Label_Step1Part2",
    "Label_Step2",
    "Label_Step2Part2",
    "Label_Step3",
    "Label_Step3Part2",
    "Label_CheckUpdate",
    "Label_InternetConnected",
    "Label_InternetUpgrade",
    "Label_Print",
    "Label_DtcLookup",
    "Label_Feedback",
    "Label_PrintPrint",
    "Label_Clear",
    "Label_Copy",
    "Label_Edit",
    "Label_Search",
    "Label_Items",
    "Label_Contents",
    "Label_Brands",
    "Label_Product",
    "Label_ContactInformation",
    "Label_Email",
    "Label_ManufactureBrand",
    "Label_Model",
    "Label_ProducedYearMonth",
    "Label_Origin",
    "Label_VINCode",
    "Label_Problems",
    "Label_Status",
};

constexpr uint32_t Langs(std::initializer_list<int> numbers) {
  uint32_t mask = 0;
  for (int n : numbers) mask |= 1u << n;
  return mask;
}

// Where a language's longer texts need a smaller font or another place. Positions are in the
// coordinates of the control's page; -1 (0 for the font) keeps the designed value.
struct LayoutChange {
  const char* control;
  uint32_t languages;  // bit n set for language number n
  int left = -1;
  int top = -1;
  int height = -1;
  int fontPoints = 0;
};

const LayoutChange kCorrections[] = {
    {"Label_Step1Part1", Langs({7}), -1, -1, -1, 12},
    {"Label_Step1Part2", Langs({7}), -1, -1, -1, 12},
    {"Label_Step2", Langs({7}), -1, -1, -1, 12},
    {"Label_Step2Part2", Langs({7}), -1, -1, -1, 12},
    {"Label_Step3", Langs({7}), -1, -1, -1, 12},
    {"Label_Step3Part2", Langs({7}), -1, -1, -1, 12},
    {"Label_Search", Langs({8}), -1, -1, -1, 13},
    {"Label_Items", Langs({6}), -1, -1, -1, 13},
    {"Label_Items", Langs({7}), -1, 60, -1, 12},
    {"Label_Items", Langs({8}), -1, 52, 50, 13},
    {"Label_Items", Langs({11}), -1, -1, -1, 12},
    {"Label_Contents", Langs({6}), -1, 65, -1, 13},
    {"Label_Contents", Langs({7}), -1, 65, -1, 12},
    {"Label_Contents", Langs({8}), -1, 52, 50, 13},
    {"Label_Contents", Langs({11}), -1, 65, -1, 12},
    {"Label_Brands", Langs({6}), -1, -1, -1, 13},
    {"Label_Brands", Langs({7}), -1, -1, -1, 12},
    {"Label_Brands", Langs({8}), -1, -1, -1, 13},
    {"Label_Brands", Langs({11}), -1, -1, -1, 12},
};

bool HasLanguage(uint32_t mask, int language) {
  return language >= 1 && language <= kLanguageCount && (mask & (1u << language)) != 0;
}

QWidget* Find(QWidget* root, const char* name) {
  if (root == nullptr || name == nullptr) return nullptr;
  if (root->objectName() == QLatin1String(name)) return root;
  return root->findChild<QWidget*>(QString::fromLatin1(name));
}

void ApplyChange(QWidget* root, const LayoutChange& change) {
  QWidget* w = Find(root, change.control);
  if (w == nullptr) return;
  QRect g = w->geometry();
  if (change.left >= 0) g.moveLeft(change.left);
  if (change.top >= 0) g.moveTop(change.top);
  if (change.height >= 0) g.setHeight(change.height);
  if (g != w->geometry()) w->setGeometry(g);
  if (change.fontPoints > 0) {
    QFont font = w->font();
    font.setPixelSize(PointsToPixels(change.fontPoints));
    w->setFont(font);
  }
}

void ApplyLanguageFonts(QWidget* root, int language) {
  if (language != 1) return;
  for (const char* name : kChineseFontLabels) {
    QWidget* w = Find(root, name);
    if (w == nullptr) continue;
    QFont font = w->font();
    font.setFamilies({QString::fromUtf8(kChineseFontName)});
    w->setFont(font);
  }
}

}  // namespace

int PointsToPixels(int points) {
  return (points * 96 + 36) / 72;
}

void SetCaption(QWidget* control, const std::string& utf8) {
  if (control == nullptr) return;
  const QString text = QString::fromStdString(utf8);
  if (auto* label = qobject_cast<QLabel*>(control)) {
    // Texts come from a file anyone can edit: show them as they are, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(text);
  } else if (control->metaObject()->indexOfProperty("text") >= 0) {
    control->setProperty("text", text);
  }
}

void ApplyLanguageTexts(QWidget* root, MainState& state, const LanguageTable& table) {
  const int language = table.langIndex;
  state.langIndex = language;
  ApplyLanguageFonts(root, language);

  state.langText = table.texts;
  for (const LangCaption& c : kCaptions) SetCaption(Find(root, c.control), table.texts[c.id]);
  for (const LangCaption& c : kAccessibleNames) {
    if (QWidget* w = Find(root, c.control)) {
      w->setAccessibleName(QString::fromStdString(table.texts[c.id]));
    }
  }

  for (const LayoutChange& change : kCorrections) {
    if (HasLanguage(change.languages, language)) ApplyChange(root, change);
  }
}

}  // namespace vortik

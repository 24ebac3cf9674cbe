#include "i18n/ui/lang_ui.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "app/ui/form_main.h"
#include "helpers/test_config.h"
#include "i18n/lang_table.h"
#include "i18n/temp_folder.h"

namespace vortik {
namespace {

using testing::TempFolder;
using testing::Utf16LeFile;
using testing::WriteBytes;

struct Design {
  const char* name;
  QRect bounds;  // page coordinates, or window coordinates for the tab row and the status line
  int pixels;
};

// The labels the language table touches, at their designed places and sizes.
const Design kDesign[] = {
    {"Label_Upgrade", {80, 69, 249, 28}, 21},
    {"Label_Step1Part1", {80, 110, 785, 25}, 20},
    {"Label_Step1Part2", {160, 150, 689, 25}, 20},
    {"Label_Step2", {80, 190, 793, 25}, 20},
    {"Label_Step2Part2", {160, 232, 713, 25}, 20},
    {"Label_Step3", {80, 272, 761, 25}, 20},
    {"Label_Step3Part2", {80, 320, 681, 25}, 20},
    {"Label_CheckUpdate", {456, 420, 149, 61}, 19},
    {"Label_InternetConnected", {616, 424, 193, 49}, 19},
    {"Label_InternetUpgrade", {72, 100, 158, 25}, 19},
    {"Label_Print", {320, 100, 43, 25}, 19},
    {"Label_DtcLookup", {540, 100, 112, 25}, 19},
    {"Label_Feedback", {780, 100, 87, 25}, 19},
    {"Label_PrintPrint", {75, 12, 78, 19}, 16},
    {"Label_Clear", {225, 12, 72, 19}, 16},
    {"Label_Copy", {375, 12, 72, 19}, 16},
    {"Label_Edit", {525, 12, 72, 19}, 16},
    {"Label_Search", {16, 10, 97, 30}, 20},
    {"Label_Items", {28, 62, 81, 30}, 20},
    {"Label_Brands", {154, 65, 57, 27}, 20},
    {"Label_Contents", {298, 65, 84, 27}, 20},
    {"Label_Product", {20, 24, 120, 20}, 16},
    {"Label_ContactInformation", {20, 54, 120, 20}, 16},
    {"Label_Email", {20, 84, 120, 20}, 16},
    {"Label_ManufactureBrand", {20, 114, 120, 20}, 16},
    {"Label_Model", {20, 144, 120, 20}, 16},
    {"Label_ProducedYearMonth", {20, 174, 120, 20}, 16},
    {"Label_Origin", {20, 204, 120, 20}, 16},
    {"Label_VINCode", {20, 234, 120, 20}, 16},
    {"Label_Problems", {20, 264, 120, 20}, 16},
    {"Label_Status", {16, 664, 905, 20}, 17},
};

const char* const kFields[] = {"RichEdit_Problems",
                               "RichEdit_Model",
                               "RichEdit_Product",
                               "RichEdit_VINCode",
                               "RichEdit_Email",
                               "RichEdit_Origin",
                               "RichEdit_DateTime",
                               "RichEdit_ManufactureBrand",
                               "RichEdit_ContactInformation"};

// A stand-in for the main window holding every named control at its designed place.
std::unique_ptr<QWidget> MakeWindow() {
  auto window = std::make_unique<QWidget>();
  window->resize(960, 700);
  for (const Design& d : kDesign) {
    auto* label = new QLabel(window.get());
    label->setObjectName(QString::fromLatin1(d.name));
    label->setGeometry(d.bounds);
    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(d.pixels);
    label->setFont(font);
  }
  auto* button = new QPushButton(window.get());
  button->setObjectName(QStringLiteral("Button_summit"));
  for (const char* name : kFields) {
    auto* edit = new QLineEdit(window.get());
    edit->setObjectName(QString::fromLatin1(name));
  }
  return window;
}

QWidget* W(QWidget* root, const char* name) {
  return root->findChild<QWidget*>(QString::fromLatin1(name));
}
QString TextOf(QWidget* root, const char* name) {
  auto* label = qobject_cast<QLabel*>(W(root, name));
  return label != nullptr ? label->text() : QString();
}

class LanguageUi : public ::testing::Test {
 protected:
  // Loads a file with the given set/val line and a few texts in the Russian, Chinese and
  // English sections, then applies it to a fresh window.
  void Load(const std::string& val) {
    WriteBytes(path_, Utf16LeFile("[set]\r\nval=" + val +
                                  "\r\n"
                                  "[ru]\r\nLabelUpgrade=Обновление\r\n"
                                  "LabelStatus=Подключите устройство к компьютеру\r\n"
                                  "LabelInternetDisconnected=Нет подключения к Интернету\r\n"
                                  "[cn]\r\nLabelUpgrade=升级\r\n"
                                  "[en]\r\nLabelUpgrade=Upgrade!\r\n"));
    window_ = MakeWindow();
    state_ = MainState{};
    ApplyLanguageTexts(window_.get(), state_, LoadLanguageTable(path_));
  }
  QWidget* root() { return window_.get(); }

  TempFolder dir_;
  std::string path_ = dir_.File("lang.ini");
  std::unique_ptr<QWidget> window_;
  MainState state_;
};

TEST_F(LanguageUi, RussianSetsTextsSmallerStepsAndMovesColumnHeadings) {
  Load("7");
  EXPECT_EQ(state_.langIndex, 7);
  EXPECT_EQ(TextOf(root(), "Label_Upgrade"), QStringLiteral("Обновление"));
  EXPECT_EQ(state_.langText[TextId::LabelStatus], "Подключите устройство к компьютеру");
  EXPECT_EQ(state_.langText[TextId::LabelInternetDisconnected], "Нет подключения к Интернету");
  // Keys the section lacks take their defaults.
  EXPECT_EQ(TextOf(root(), "Label_CheckUpdate"), QStringLiteral("Check Update"));

  for (const char* step : {"Label_Step1Part1", "Label_Step1Part2", "Label_Step2",
                           "Label_Step2Part2", "Label_Step3", "Label_Step3Part2"}) {
    EXPECT_EQ(W(root(), step)->font().pixelSize(), PointsToPixels(12)) << step;
  }
  EXPECT_EQ(W(root(), "Label_Items")->y(), 60);
  EXPECT_EQ(W(root(), "Label_Items")->font().pixelSize(), PointsToPixels(12));
  EXPECT_EQ(W(root(), "Label_Contents")->y(), 65);
  EXPECT_EQ(W(root(), "Label_Brands")->font().pixelSize(), PointsToPixels(12));
  EXPECT_EQ(W(root(), "Label_Search")->font().pixelSize(), 20);
}

TEST_F(LanguageUi, FrenchMovesAndHeightensTheColumnHeadings) {
  Load("8");
  EXPECT_EQ(W(root(), "Label_Items")->geometry(), QRect(28, 52, 81, 50));
  EXPECT_EQ(W(root(), "Label_Contents")->geometry(), QRect(298, 52, 84, 50));
  EXPECT_EQ(W(root(), "Label_Search")->font().pixelSize(), PointsToPixels(13));
  EXPECT_EQ(W(root(), "Label_Step1Part1")->font().pixelSize(), 20);
}

TEST_F(LanguageUi, ChineseSwitchesItsLabelsToItsFont) {
  Load("1");
  EXPECT_EQ(TextOf(root(), "Label_Upgrade"), QStringLiteral("升级"));
  for (const Design& d : kDesign) {
    EXPECT_EQ(W(root(), d.name)->font().families().value(0), QString::fromUtf8(kChineseFontName))
        << d.name;
  }
  EXPECT_NE(W(root(), "Button_summit")->font().families().value(0), QStringLiteral("宋体"));
}

TEST_F(LanguageUi, NumbersOutsideTheTableReadEnglishWithoutAnyCorrection) {
  for (const char* val : {"0", "13"}) {
    Load(val);
    EXPECT_EQ(state_.langIndex, std::stoi(val));
    EXPECT_EQ(TextOf(root(), "Label_Upgrade"), QStringLiteral("Upgrade!")) << val;
    for (const Design& d : kDesign) {
      QWidget* w = W(root(), d.name);
      EXPECT_EQ(w->geometry(), d.bounds) << val << " " << d.name;
      EXPECT_EQ(w->font().pixelSize(), d.pixels) << val << " " << d.name;
      EXPECT_EQ(w->font().families().value(0), QStringLiteral("微软雅黑")) << val << d.name;
    }
  }
}

TEST_F(LanguageUi, ANonNumberIsEnglish) {
  Load("english");
  EXPECT_EQ(state_.langIndex, 2);
  EXPECT_EQ(TextOf(root(), "Label_Upgrade"), QStringLiteral("Upgrade!"));
  EXPECT_EQ(W(root(), "Label_Items")->geometry(), QRect(28, 62, 81, 30));
}

TEST_F(LanguageUi, MissingControlsAreSkipped) {
  WriteBytes(path_, Utf16LeFile("[set]\r\nval=8\r\n"));
  QWidget empty;
  MainState state;
  ApplyLanguageTexts(&empty, state, LoadLanguageTable(path_));
  EXPECT_EQ(state.langIndex, 8);
  EXPECT_EQ(state.langText[TextId::LabelInternetDisconnected], "Internet Disconnected");
}

TEST(LanguageInMainWindow, TheWindowLoadsItsTextsWhileItIsBuilt) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  WriteBytes(path, Utf16LeFile("[set]\r\nval=7\r\n[ru]\r\nLabelStatus=Подключите устройство\r\n"
                               "MsgError16=Нет подключения к Интернету!\r\n"
                               "LabelInternetDisconnected=Нет подключения\r\n"));
  {
    AppConfig config;
    config.language = {path, path};
    TFormMain form(config);
    EXPECT_EQ(form.state().langIndex, 7);
    EXPECT_EQ(form.state().langText[TextId::LabelStatus], "Подключите устройство");
    EXPECT_EQ(form.Msg(TextId::MsgError16), "Нет подключения к Интернету!");
    EXPECT_EQ(TextOf(&form, "Label_Status"), QStringLiteral("Подключите устройство"));
    EXPECT_EQ(TextOf(&form, "Label_InternetConnected"), QStringLiteral("Нет подключения"));
  }
}

// The Local Upgrade page's group captions come from the language table.
TEST(LanguageInMainWindow, LocalUpgradeCaptionsFollowTheLanguage) {
  TempFolder dir;
  const std::string path = dir.File("lang.ini");
  WriteBytes(path, Utf16LeFile("[set]\r\nval=6\r\n[de]\r\n"
                               "GroupUpgradeRom=MCU aktualisieren (ROM)\r\n"
                               "GroupUpgradeFlash=FLASH aktualisieren (Daten und LOGO)\r\n"
                               "GroupUpgradeLogo=LOGO oder LOGO+FLASH aktualisieren\r\n"));
  {
    AppConfig config;
    config.language = {path, path};
    TFormMain form(config);
    form.ShowPage(PageId::kLocalUpgrade);
    auto title = [&](const char* name) {
      auto* group = form.findChild<QGroupBox*>(QString::fromLatin1(name));
      return group != nullptr ? group->title() : QString();
    };
    EXPECT_EQ(title("GroupBox_Upgrade1"), QStringLiteral("MCU aktualisieren (ROM)"));
    EXPECT_EQ(title("GroupBox_Upgrade2"), QStringLiteral("FLASH aktualisieren (Daten und LOGO)"));
    EXPECT_EQ(title("GroupBox_Upgrade3"), QStringLiteral("LOGO oder LOGO+FLASH aktualisieren"));
  }
}

}  // namespace
}  // namespace vortik

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QPushButton>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

#include "helpers/test_dialogs.h"
#include "helpers/update_server_fixture.h"
#include "update_server_sim.h"
#include "upgrade/pickers.h"
#include "upgrade/ui/car_type_picker.h"
#include "upgrade/ui/language_picker.h"
#include "upgrade/ui/picker_dialogs.h"

namespace vortik {
namespace {

QStringList Lines(const QComboBox* box) {
  QStringList lines;
  for (int i = 0; i < box->count(); ++i) lines << box->itemText(i);
  return lines;
}

// Answers the pickers as a user would: pick a line and click OK, or close the form. The product
// choice asks the test's own update server.
class PickerDialogs : public test::UpdateServerFixture {
 protected:
  void Pick(int line) {
    dialogs_.answers->runPicker = [line](QDialog& dialog) {
      auto* box = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
      auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("Panel1"));
      ASSERT_NE(box, nullptr);
      ASSERT_NE(ok, nullptr);
      if (line >= 0) box->setCurrentIndex(line);
      ok->click();
    };
  }
  void Close() {
    dialogs_.answers->runPicker = [](QDialog& dialog) { dialog.reject(); };
  }

  test::TestDialogs dialogs_;
};

TEST_F(PickerDialogs, LanguagePickerShowsNamesAndReturnsTheLineConfirmed) {
  TForm2 form;
  dialogs_.InstallOn(&form);
  EXPECT_EQ(form.windowTitle(), "Language");
  EXPECT_EQ(form.Label1->text(), "Select Language");
  QStringList shown;
  int shownIndex = -1;
  dialogs_.answers->runPicker = [&](QDialog&) {
    shown = Lines(form.ComboBox1);
    shownIndex = form.ComboBox1->currentIndex();
    form.Panel1->click();
  };
  EXPECT_EQ(form.ShowLanguagePicker("TQ460", {"EN", "de", "SV"}, 1), 1);
  EXPECT_EQ(shown, (QStringList{"English", "German", "English"}));
  EXPECT_EQ(shownIndex, 1);
  EXPECT_EQ(form.Label2->text(), "TQ460");

  Pick(2);
  EXPECT_EQ(form.ShowLanguagePicker("TQ460", {"EN", "DE", "FR"}, 0), 2);
  Close();
  EXPECT_EQ(form.ShowLanguagePicker("TQ460", {"EN", "DE", "FR"}, 0), std::nullopt);
  // A form that ends without OK, by any way, gives nothing either.
  dialogs_.answers->runPicker = [](QDialog& dialog) { dialog.accept(); };
  EXPECT_EQ(form.ShowLanguagePicker("TQ460", {"EN"}, 0), std::nullopt);
}

TEST_F(PickerDialogs, CarTypePickerShowsCarTypes) {
  TForm4 form;
  dialogs_.InstallOn(&form);
  EXPECT_EQ(form.windowTitle(), "CarType");
  EXPECT_EQ(form.Label1->text(), "Select CarType");
  QStringList shown;
  dialogs_.answers->runPicker = [&](QDialog&) {
    shown = Lines(form.ComboBox1);
    form.ComboBox1->setCurrentIndex(2);
    form.Panel1->click();
  };
  EXPECT_EQ(form.ShowCarTypePicker({"TQ460", "BRX450", "XY100"}, 0), 2);
  EXPECT_EQ(shown, (QStringList{"TQ460  BENZ", "BRX450  VW_PL", "XY100  "}));
  Close();
  EXPECT_EQ(form.ShowCarTypePicker({"TQ460"}, 0), std::nullopt);
}

TEST_F(PickerDialogs, ProductChoiceRunsTheBoundForms) {
  ASSERT_TRUE(sim::WriteSimFile(root_, "products.json",
                                R"({"message":"successful","data":["TQ450","TQ460"]})"));
  ASSERT_TRUE(
      sim::WriteSimFile(root_, "languages/default.json",
                        R"({"code":"100","data":{"language":["EN","DE","FR"],"default":"EN"}})"));

  Services services;
  {
    TForm2 form2;
    TForm4 form4;
    dialogs_.InstallOn(&form2);
    dialogs_.InstallOn(&form4);
    BindProductPickers(services, &form2, &form4);
    CatalogueState catalogue;
    MainState state;

    // The product picker keeps its line, the language picker moves to FR.
    dialogs_.answers->runPicker = [&](QDialog& dialog) {
      if (&dialog == &form2) form2.ComboBox1->setCurrentIndex(2);
      static_cast<QPushButton*>(dialog.findChild<QPushButton*>(QStringLiteral("Panel1")))->click();
    };
    std::string code = "TQ460_DE";
    ASSERT_TRUE(ChooseProductAndLanguage(services, server_, code, "01", catalogue));
    EXPECT_EQ(code, "TQ460_FR");
    EXPECT_TRUE(catalogue.choiceChanged);

    // Closed forms leave the preselections.
    Close();
    code = "TQ450_DE";
    ChooseProductLanguage(services, server_, code, "01", state, catalogue);
    EXPECT_EQ(code, "TQ450_DE");
    EXPECT_FALSE(catalogue.choiceChanged);
  }
  // Forms gone: the choice goes on as if they were closed.
  std::string code = "TQ460_DE";
  CatalogueState catalogue;
  ASSERT_TRUE(ChooseProductAndLanguage(services, server_, code, "01", catalogue));
  EXPECT_EQ(code, "TQ460_DE");
}

// Renders both pickers as they open; with VORTIK_SCREENSHOT_DIR set, saves them there.
TEST_F(PickerDialogs, PickersRender) {
  TForm2 form2;
  TForm4 form4;
  dialogs_.InstallOn(&form2);
  dialogs_.InstallOn(&form4);
  QImage languageShot;
  QImage carTypeShot;
  QImage listShot;
  dialogs_.answers->runPicker = [&](QDialog& dialog) {
    dialog.show();
    (&dialog == &form2 ? languageShot : carTypeShot) = dialog.grab().toImage();
    if (&dialog == &form4) {
      form4.ComboBox1->showPopup();
      listShot = form4.ComboBox1->view()->window()->grab().toImage();
      form4.ComboBox1->hidePopup();
    }
    dialog.reject();
  };
  form2.ShowLanguagePicker("TQ460", {"EN", "DE", "FR"}, 1);
  form4.ShowCarTypePicker({"TQ460", "TQ450", "BRX450", "TQ480"}, 0);
  ASSERT_FALSE(languageShot.isNull());
  ASSERT_FALSE(carTypeShot.isNull());
  EXPECT_EQ(languageShot.size(), QSize(356, 363));
  EXPECT_EQ(carTypeShot.size(), QSize(351, 364));
  EXPECT_EQ(QColor(languageShot.pixel(5, 5)), QColor(2, 33, 81));
  if (const char* out = getenv("VORTIK_SCREENSHOT_DIR")) {
    QDir dir(QString::fromUtf8(out));
    EXPECT_TRUE(languageShot.save(dir.filePath(QStringLiteral("form2_language_picker.png"))));
    EXPECT_TRUE(carTypeShot.save(dir.filePath(QStringLiteral("form4_cartype_picker.png"))));
    EXPECT_TRUE(listShot.save(dir.filePath(QStringLiteral("form4_cartype_list.png"))));
  }
}

}  // namespace
}  // namespace vortik

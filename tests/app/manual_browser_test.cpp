// The Manual page's list and its double click, the menu beside the gear and the about box.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/about.h"
#include "app/ui/main_menu.h"
#include "app/ui/manual_browser.h"
#include "helpers/test_dialogs.h"
#include "skin/ui/message_box.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

void DoubleClick(QWidget* target, QPoint at) {
  const QPointF local(at);
  const QPointF global = target->mapToGlobal(local);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent e(type, local, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(target, &e);
  }
}

class ManualBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.File("manual") + "/";
    ASSERT_EQ(mkdir(folder_.c_str(), 0700), 0);
    for (const char* name : {"Guide.html", "errata.txt", ".hidden"}) {
      ASSERT_TRUE(test::WriteFileText(folder_ + name, "x"));
    }
    ASSERT_EQ(mkdir((folder_ + "images").c_str(), 0700), 0);
    dialogs_.answers->openWithDesktop = [this](const std::string& path) {
      opened_.push_back(path);
    };
    dialogs_.InstallOn(&page_);
    page_.resize(960, 494);
    browser_ = new ManualBrowser(&page_, texts_);
    browser_->LoadManualList(folder_);
    page_.show();
  }
  QListWidget* List() { return browser_->list(); }

  test::ScopedTempDir dir_;
  std::string folder_;
  std::vector<std::string> opened_;
  TextTable texts_;
  test::TestDialogs dialogs_;
  QWidget page_;
  ManualBrowser* browser_ = nullptr;
};

TEST_F(ManualBrowserTest, ListsTheDocumentsAndShowsTheHint) {
  ASSERT_EQ(List()->count(), 2);
  EXPECT_EQ(List()->item(0)->text(), "errata.txt");
  EXPECT_EQ(List()->item(1)->text(), "Guide.html");
  EXPECT_EQ(List()->geometry(), QRect(16, 40, 577, 329));
  auto* hint = browser_->findChild<QLabel*>(QStringLiteral("Label2"));
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->text(), "Double click to open the selected file!");
}

TEST_F(ManualBrowserTest, DoubleClickOpensTheSelectedDocumentOnly) {
  QWidget* viewport = List()->viewport();
  const QPoint below(20, viewport->height() - 10);  // under the last item
  DoubleClick(viewport, below);
  EXPECT_TRUE(opened_.empty()) << "nothing selected: nothing opens";

  DoubleClick(viewport, List()->visualItemRect(List()->item(1)).center());
  EXPECT_EQ(opened_, (std::vector<std::string>{folder_ + "Guide.html"}));

  // With an item selected, a double click on the empty part opens that item.
  List()->setCurrentRow(0);
  DoubleClick(viewport, below);
  EXPECT_EQ(opened_.back(), folder_ + "errata.txt");
  EXPECT_EQ(opened_.size(), 2u);
}

// A name that is not UTF-8 (an archive unpacked from another system) opens its own file.
TEST_F(ManualBrowserTest, ANameThatIsNotUtf8OpensItsFile) {
  const std::string name =
      "Gu\xED"
      "a.html";  // ISO 8859-1
  ASSERT_TRUE(test::WriteFileText(folder_ + name, "x"));
  browser_->LoadManualList(folder_);
  ASSERT_EQ(List()->count(), 3);
  int row = 0;
  while (row < 3 && (List()->item(row)->text() == QStringLiteral("errata.txt") ||
                     List()->item(row)->text() == QStringLiteral("Guide.html"))) {
    ++row;
  }
  ASSERT_LT(row, 3);
  DoubleClick(List()->viewport(), List()->visualItemRect(List()->item(row)).center());
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], folder_ + name);
  EXPECT_EQ(DocumentUrl("/m/Gu\xED"
                        "a 1.html")
                .toEncoded(),
            QByteArray("file:///m/Gu%EDa%201.html"));
}

TEST(MainMenu, EntriesCallTheirActionsAndF1AsksForTheManual) {
  const TextTable texts;
  QWidget window;
  std::vector<std::string> calls;
  auto* button =
      new MainMenuButton(&window, 774, 16,
                         {[&] { calls.push_back("manual"); }, [&] { calls.push_back("local"); },
                          [&] { calls.push_back("about"); }},
                         texts);
  EXPECT_EQ(button->geometry(), QRect(774, 16, 30, 30));
  EXPECT_EQ(button->menu(), button->popup());
  EXPECT_EQ(button->manualAction()->text(), "Manual\tF1");
  EXPECT_EQ(button->localUpgradeAction()->text(), "Upgrade from files\u2026");
  EXPECT_EQ(button->aboutAction()->text(), "About VORTIK");
  button->manualAction()->trigger();
  button->localUpgradeAction()->trigger();
  button->aboutAction()->trigger();
  auto* f1 = window.findChild<QShortcut*>(QStringLiteral("ShortcutManual"));
  ASSERT_NE(f1, nullptr);
  EXPECT_EQ(f1->key(), QKeySequence(Qt::Key_F1));
  Q_EMIT f1->activated();
  EXPECT_EQ(calls, (std::vector<std::string>{"manual", "local", "about", "manual"}));
}

TEST(AboutBox, VersionLicenceAndLibraries) {
  test::TestDialogs dialogs;
  QWidget window;
  dialogs.InstallOn(&window);
  ShowAboutBox(&window, TextTable{});
  ASSERT_EQ(dialogs.messages.size(), 1u);
  const QString shown = QString::fromStdString(dialogs.messages[0]);
  const std::string text = shown.toStdString();
  EXPECT_EQ(text.rfind("VORTIK Version 1.", 0), 0u) << text;
  for (const char* part : {"License: GPL-3.0-or-later", "Qt 6.", "cJSON ", "libpng ", "libjpeg ",
                           "zlib ", "libcurl ", "OpenSSL ", "libudev"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << " in\n" << text;
  }
}

}  // namespace
}  // namespace vortik

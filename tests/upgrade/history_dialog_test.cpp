// The upgrade history dialog and its menu entry, in the chosen language.
#include "upgrade/ui/history_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ui/main_menu.h"
#include "i18n/lang_table.h"
#include "upgrade/firmware_fixtures.h"
#include "upgrade/history.h"

namespace vortik {
namespace {

constexpr int kGerman = 6;

TextTable GermanTexts(test::ScopedTempDir& dir) {
  const std::string choice = dir.File("choice/lang.ini");
  EXPECT_TRUE(WriteStoredLanguage(choice, kGerman));
  return LoadLanguageTable(VORTIK_SOURCE_DIR "/data/lang.ini", choice).texts;
}

TEST(HistoryDialog, ShowsRecordsNewestFirstInTheChosenLanguageAndCopiesOne) {
  test::ScopedTempDir dir;
  const TextTable texts = GermanTexts(dir);
  UpgradeRecord burned;
  burned.time = "2024-05-01T10:00:00Z";
  burned.kind = "internet";
  burned.toolType = "TQ460";
  burned.romBefore = "1.1.0";
  burned.romAfter = "1.2.0";
  burned.outcome = "burned";
  burned.success = true;
  UpgradeRecord failed = burned;
  failed.time = "2024-05-02T10:00:00Z";
  failed.kind = "local";
  failed.romAfter = failed.romBefore;
  failed.outcome = "burn-failed";
  failed.success = false;

  HistoryDialog dialog(nullptr, texts, {burned, failed});
  EXPECT_EQ(dialog.windowTitle(), "Aktualisierungsverlauf");
  EXPECT_EQ(dialog.copyButton()->text(), "Kopieren");
  ASSERT_EQ(dialog.list()->count(), 2);
  const QString newest = dialog.list()->item(0)->text();
  const QString oldest = dialog.list()->item(1)->text();
  EXPECT_TRUE(newest.startsWith("2024-05-02T10:00:00Z  Aktualisierung aus Dateien"))
      << newest.toStdString();
  EXPECT_TRUE(newest.contains("Ergebnis: fehlgeschlagen (burn-failed)")) << newest.toStdString();
  EXPECT_TRUE(oldest.contains("Internet-Aktualisierung")) << oldest.toStdString();
  EXPECT_TRUE(oldest.contains("Ergebnis: erfolgreich (burned)")) << oldest.toStdString();

  dialog.list()->setCurrentRow(1);
  dialog.copyButton()->click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), oldest);
}

TEST(HistoryDialog, EmptyHistorySaysSoAndCopiesNothing) {
  test::ScopedTempDir dir;
  const TextTable texts = GermanTexts(dir);
  HistoryDialog dialog(nullptr, texts, {});
  ASSERT_EQ(dialog.list()->count(), 1);
  EXPECT_EQ(dialog.list()->item(0)->text(), "Es wurde noch keine Aktualisierung aufgezeichnet.");
  EXPECT_FALSE(dialog.copyButton()->isEnabled());
  EXPECT_EQ(dialog.SelectedText(), QString());
}

TEST(HistoryDialog, TheMenuHasItsEntry) {
  test::ScopedTempDir dir;
  const TextTable texts = GermanTexts(dir);
  QWidget window;
  MainMenuButton menu(&window, 0, 0, {}, texts);
  ASSERT_NE(menu.historyAction(), nullptr);
  EXPECT_EQ(menu.historyAction()->text(), "Aktualisierungsverlauf…");
  EXPECT_TRUE(menu.popup()->actions().contains(menu.historyAction()));
}

}  // namespace
}  // namespace vortik

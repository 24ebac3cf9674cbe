// The real message box, shown offscreen: every text is whole inside the box, long sentences
// wrap, a word too long for the widest box is shortened on screen but kept in the tooltip.
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTextStream>

#include <gtest/gtest.h>

#include <memory>

#include "skin/ui/message_box.h"

namespace vortik {
namespace {

struct Shown {
  std::unique_ptr<QDialog> box;
  QLabel* label = nullptr;
};

Shown Show(const QString& text) {
  Shown shown;
  shown.box = BuildMessageBox(nullptr, text, QStringLiteral("VORTIK"));
  shown.box->show();
  QApplication::processEvents();
  shown.label = shown.box->findChild<QLabel*>(QStringLiteral("MessageText"));
  return shown;
}

// The label's text, wrapped as the label wraps it, lies inside the label, and the label and
// the OK button inside the box.
::testing::AssertionResult FitsWhole(const Shown& shown) {
  if (!shown.label) return ::testing::AssertionFailure() << "no text label";
  const QRect room = shown.label->contentsRect();
  const QFontMetrics metrics(shown.label->font());
  const QRect need = metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap,
                                          shown.label->text());
  if (need.width() > room.width() || need.height() > room.height()) {
    return ::testing::AssertionFailure()
           << shown.label->text().toStdString() << " needs " << need.width() << "x" << need.height()
           << " in " << room.width() << "x" << room.height();
  }
  const auto* ok = shown.box->findChild<QPushButton*>(QStringLiteral("MessageOk"));
  const QRect inside = shown.box->rect();
  if (!ok || !inside.contains(ok->geometry()) || !inside.contains(shown.label->geometry())) {
    return ::testing::AssertionFailure() << "label or button outside the box";
  }
  return ::testing::AssertionSuccess();
}

TEST(MessageBox, ShowsEveryTextWhole) {
  const char* texts[] = {
      "Upgrade finished!",
      "Nothing to be upgrade, The local device is alread the latest!",
      "Unable to write to /tmp/vortik-demo/a-rather-long-folder-name/and-another-one/lang.ini",
      "Kein Update nötig, das Gerät ist bereits auf dem neuesten Stand!",
      "更新不要です。デバイスはすでに最新です！",
      "first line\nsecond line that is somewhat longer than the first one and wraps at the end",
  };
  for (const char* text : texts) {
    const Shown shown = Show(QString::fromUtf8(text));
    EXPECT_TRUE(FitsWhole(shown));
    EXPECT_EQ(shown.label->text(), QString::fromUtf8(text));
  }
}

TEST(MessageBox, LongSentencesWrapInsteadOfWideningTheBox) {
  const QString sentence = QStringLiteral("word ").repeated(60).trimmed();
  const Shown shown = Show(sentence);
  EXPECT_TRUE(FitsWhole(shown));
  EXPECT_LT(shown.box->width(), 600);
  EXPECT_GT(shown.label->height(), 3 * QFontMetrics(shown.label->font()).height());
}

TEST(MessageBox, WordTooWideForAnyBoxIsShortenedWithTheWholeTextInItsTooltip) {
  const QString path = QStringLiteral("/very/long/path") + QStringLiteral("/folder").repeated(40);
  const QString text = QStringLiteral("Unable to write to ") + path;
  const Shown shown = Show(text);
  EXPECT_TRUE(FitsWhole(shown));
  EXPECT_NE(shown.label->text(), text);
  EXPECT_TRUE(shown.label->text().startsWith(QStringLiteral("Unable to write to /very/long")));
  EXPECT_EQ(shown.label->toolTip(), text);
}

// Every message of the language table, in each of its twelve languages, fits the real box.
TEST(MessageBox, EveryMessageOfTheLanguageTableFits) {
  QFile file(QString::fromUtf8(VORTIK_SOURCE_DIR "/data/lang/lang.utf8.ini"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
  QTextStream in(&file);
  int checked = 0;
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (!line.startsWith(QStringLiteral("Msg"))) continue;
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    const Shown shown = Show(line.mid(eq + 1));
    EXPECT_TRUE(FitsWhole(shown)) << line.left(eq).toStdString();
    ++checked;
  }
  EXPECT_GT(checked, 12 * 50);
}

}  // namespace
}  // namespace vortik

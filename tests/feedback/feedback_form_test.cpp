// The Feedback page's form in a window: captions from the language table, the Summit button
// against the test's own feedback server, the busy pointer.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ui/form_main.h"
#include "feedback/ui/feedback_form.h"
#include "helpers/recording_host.h"
#include "helpers/scoped_env.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "i18n/lang_table.h"
#include "i18n/ui/lang_ui.h"
#include "skin/ui/message_box.h"
#include "update_server_sim.h"
#include "upgrade/firmware_fixtures.h"
#include "upgrade/history.h"

namespace vortik {
namespace {

class FeedbackFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = std::make_unique<sim::UpdateServerSim>(dir_.File("server"));
    ASSERT_TRUE(sim_->Start());
    page_.resize(960, 494);
    form_ = new FeedbackForm(&page_, host_, sim_->BaseUrl());
  }

  void Type(int field, const QString& text) { TypeInto(*form_, field, text); }
  static void TypeInto(FeedbackForm& form, int field, const QString& text) {
    QWidget* w = form.field(field);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(text);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) edit->setPlainText(text);
  }
  QString Text(int field) { return QString::fromStdString(form_->FieldText(field)); }

  test::ScopedTempDir dir_;
  std::unique_ptr<sim::UpdateServerSim> sim_;
  test::RecordingHost host_;
  QWidget page_;
  FeedbackForm* form_ = nullptr;
};

TEST_F(FeedbackFormTest, NineNamedFieldsWithCaptionsOfTheChosenLanguage) {
  const std::string choice = dir_.File("choice/lang.ini");
  ASSERT_TRUE(WriteStoredLanguage(choice, 6));
  const LanguageTable german = LoadLanguageTable(VORTIK_SOURCE_DIR "/data/lang.ini", choice);
  MainState state;
  ApplyLanguageTexts(&page_, state, german);
  const char* expected[] = {"Produkt:",       "Kontaktdaten:", "E-Mail:",
                            "Marke:",         "Modell:",       "Baujahr und -monat:",
                            "Herkunftsland:", "FIN (VIN):",    "Problembeschreibung:"};
  for (int i = 0; i < kFeedbackFieldCount; ++i) {
    const FeedbackField& f = FeedbackFields()[static_cast<size_t>(i)];
    auto* label = page_.findChild<QLabel*>(QString::fromLatin1(f.label));
    ASSERT_NE(label, nullptr) << f.label;
    EXPECT_EQ(label->text().toStdString(), expected[i]);
    EXPECT_EQ(page_.findChild<QWidget*>(QString::fromLatin1(f.control)), form_->field(i));
  }
  EXPECT_EQ(form_->summitButton()->text(), "Senden");
  EXPECT_NE(qobject_cast<QPlainTextEdit*>(form_->field(kFeedbackProblems)), nullptr);
}

// Tab walks the nine fields in reading order and then reaches "Summit".
TEST_F(FeedbackFormTest, TabWalksTheFieldsInReadingOrder) {
  auto nextTabStop = [](QWidget* w) {
    QWidget* next = w->nextInFocusChain();
    while (next != w && (next->focusPolicy() & Qt::TabFocus) == 0) next = next->nextInFocusChain();
    return next;
  };
  for (int i = 0; i + 1 < kFeedbackFieldCount; ++i) {
    EXPECT_EQ(nextTabStop(form_->field(i)), form_->field(i + 1)) << i;
  }
  EXPECT_EQ(nextTabStop(form_->field(kFeedbackFieldCount - 1)), form_->summitButton());
}

TEST_F(FeedbackFormTest, SummitSendsWhatWasTypedAndClearsAllButTheYearMonth) {
  const QString typed[kFeedbackFieldCount] = {
      "TQ460", "+48 600 000 000", "a@b.pl",
      "Škoda", "Octavia",         "2011/05",
      "CZ",    "TMBxx",           "Błąd P0420 & = + %\nzweite Zeile 第二行"};
  for (int i = 0; i < kFeedbackFieldCount; ++i) Type(i, typed[i]);
  form_->summitButton()->click();

  EXPECT_EQ(host_.messages,
            (std::vector<std::string>{"Summit successful, thanks for your feedback!"}));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the busy pointer is restored";
  const auto posts = sim_->Requests();
  ASSERT_EQ(posts.size(), 1u);
  ASSERT_EQ(posts[0].fields.size(), 9u);
  for (int i = 0; i < kFeedbackFieldCount; ++i) {
    EXPECT_EQ(posts[0].fields[static_cast<size_t>(i)].second, typed[i].toStdString());
    EXPECT_EQ(Text(i), i == kFeedbackProducedYearMonth ? typed[i] : QString());
  }
}

// The window hands its configured feedback server to the page's form.
TEST_F(FeedbackFormTest, TheWindowSendsToTheServerOfItsConfiguration) {
  test::TestDialogs dialogs;
  AppConfig config = test::TestConfig();
  config.feedbackServer = sim_->BaseUrl();
  {
    TFormMain window(config);
    dialogs.InstallOn(&window);
    window.ShowPage(PageId::kFeedback);
    auto* form = window.findChild<FeedbackForm*>();
    ASSERT_NE(form, nullptr);
    const QString typed[kFeedbackFieldCount] = {"TQ460",   "1",  "a@b.de", "VW",   "Golf",
                                                "2015/01", "DE", "WVW",    "P0420"};
    for (int i = 0; i < kFeedbackFieldCount; ++i) TypeInto(*form, i, typed[i]);
    form->summitButton()->click();
  }
  EXPECT_EQ(dialogs.messages,
            std::vector<std::string>{"Summit successful, thanks for your feedback!"});
  ASSERT_EQ(sim_->Requests().size(), 1u);
  EXPECT_EQ(sim_->Requests()[0].fields[0].second, "TQ460");
}

// The last upgrade's record goes along only when ticked, exactly as the form shows it, below
// the user's problem text; the nine fields and their checks stay as they are.
TEST_F(FeedbackFormTest, AttachesTheLastUpgradeRecordOnlyWhenTicked) {
  test::ScopedEnv state("XDG_STATE_HOME", dir_.File("state"));
  UpgradeRecord older;
  older.time = "2024-05-01T10:00:00Z";
  older.outcome = "no-offer";
  UpgradeRecord last = older;
  last.time = "2024-05-01T11:00:00Z";
  last.toolType = "TQ460";
  last.outcome = "rom-burn-failed";
  last.message = "Burn ROM fail!";
  ASSERT_TRUE(AppendHistoryRecord(HistoryFilePath(), older));
  ASSERT_TRUE(AppendHistoryRecord(HistoryFilePath(), last));
  const QString typed[kFeedbackFieldCount] = {"TQ460", "1",  "a@b.de", "VW",   "Golf",
                                              "",      "DE", "WVW",    "P0420"};

  EXPECT_FALSE(form_->attachRecordBox()->isChecked());
  EXPECT_FALSE(form_->attachedRecordView()->isVisibleTo(&page_));
  for (int i = 0; i < kFeedbackFieldCount; ++i) Type(i, typed[i]);
  form_->summitButton()->click();

  for (int i = 0; i < kFeedbackFieldCount; ++i) Type(i, typed[i]);
  form_->attachRecordBox()->setChecked(true);
  EXPECT_TRUE(form_->attachedRecordView()->isVisibleTo(&page_));
  const std::string shown = form_->attachedRecordView()->toPlainText().toStdString();
  EXPECT_EQ(shown, FormatHistoryRecord(last, host_.state().langText));
  form_->summitButton()->click();

  // An empty problem text is still refused: the record does not count as one.
  for (int i = 0; i < kFeedbackFieldCount; ++i) Type(i, typed[i]);
  Type(kFeedbackProblems, "");
  form_->summitButton()->click();

  const auto posts = sim_->Requests();
  ASSERT_EQ(posts.size(), 2u);
  ASSERT_EQ(posts[0].fields.size(), 9u);
  ASSERT_EQ(posts[1].fields.size(), 9u);
  EXPECT_EQ(posts[0].fields[kFeedbackProblems].second, "P0420");
  EXPECT_EQ(posts[1].fields[kFeedbackProblems].second, "P0420\n\n" + shown);
  EXPECT_EQ(host_.messages.back(), "Problems Text should not be NULL!");
}

TEST_F(FeedbackFormTest, BusyPointerWhileSending) {
  form_->SetBusy(true);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  form_->SetBusy(false);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vortik

#include "feedback/feedback.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "i18n/lang_table.h"
#include "update_server_sim.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// The page as the submission sees it: nine texts, and a log of what was asked of it.
class FormView : public FeedbackView {
 public:
  std::string FieldText(int field) override { return texts[static_cast<size_t>(field)]; }
  void ClearField(int field) override { texts[static_cast<size_t>(field)].clear(); }
  void SetBusy(bool busy) override { log.push_back(busy ? "busy" : "idle"); }
  void ShowMessage(TextId message) override {
    log.push_back(std::string("message ") + TextDefault(message));
    messages.push_back(TextDefault(message));
  }

  FeedbackTexts texts;
  std::vector<std::string> log;
  std::vector<std::string> messages;
};

FeedbackTexts Filled() {
  return {"TQ460",  "Jan Kowalski",      "jan@example.com",   "Volvo", "V70", "2008-03",
          "Sweden", "YV1SW61R021234567", "No start when cold"};
}

constexpr char kSentText[] = "Summit successful, thanks for your feedback!";
constexpr char kFailedText[] = "Summit failed, please try again later!";

class FeedbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    sim_ = std::make_unique<sim::UpdateServerSim>(dir_.File("server"));
    ASSERT_TRUE(sim_->Start());
  }

  FeedbackResult Submit(int timeoutMs = kFeedbackTimeoutMs) {
    return SubmitFeedback(view_, sim_->BaseUrl(), timeoutMs);
  }
  std::vector<sim::SimRequest> Posts() const { return sim_->Requests(); }

  test::ScopedTempDir dir_;
  std::unique_ptr<sim::UpdateServerSim> sim_;
  FormView view_;
};

TEST_F(FeedbackTest, EachEmptyRequiredFieldHasItsMessageInCheckOrderAndNothingIsSent) {
  view_.texts = {};
  Submit();
  EXPECT_EQ(view_.log, (std::vector<std::string>{"message Product Text should not be NULL!"}));

  // Emptying one required field at a time; earlier fields filled, later ones empty too, so
  // the order of the checks decides.
  const std::pair<int, const char*> cases[] = {
      {kFeedbackContactInformation, "Contact Information Text should not be NULL!"},
      {kFeedbackEmail, "Exmail Text should not be NULL!"},
      {kFeedbackManufactureBrand, "Manufacture Brand Text should not be NULL!"},
      {kFeedbackModel, "Model Text should not be NULL!"},
      {kFeedbackOrigin, "Origin Text should not be NULL!"},
      {kFeedbackVinCode, "VIN Code Text should not be NULL!"},
      {kFeedbackProblems, "Problems Text should not be NULL!"},
  };
  for (const auto& [field, message] : cases) {
    SCOPED_TRACE(field);
    view_.texts = Filled();
    for (int i = field; i < kFeedbackFieldCount; ++i) view_.texts[static_cast<size_t>(i)].clear();
    view_.messages.clear();
    FeedbackResult r = Submit();
    EXPECT_EQ(r.outcome, FeedbackOutcome::kEmptyField);
    EXPECT_EQ(view_.messages, (std::vector<std::string>{message}));
    EXPECT_EQ(view_.texts[0], "TQ460") << "a refused form keeps its texts";
  }
  EXPECT_TRUE(Posts().empty());
}

TEST_F(FeedbackTest, EveryValueArrivesDecodedExactlyAsTyped) {
  view_.texts = Filled();
  view_.texts[kFeedbackContactInformation] = "   ";  // spaces only count as filled
  view_.texts[kFeedbackModel] = "a&b=c+d%20e%";
  view_.texts[kFeedbackProblems] = "第一行：发动机故障灯亮\nline 2\r\nend?#/";
  const FeedbackTexts typed = view_.texts;

  FeedbackResult r = Submit();
  EXPECT_EQ(r.outcome, FeedbackOutcome::kSent);
  EXPECT_EQ(view_.log,
            (std::vector<std::string>{"busy", "idle", std::string("message ") + kSentText}));

  const auto posts = Posts();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].method, "POST");
  EXPECT_EQ(posts[0].path, kFeedbackPath);
  EXPECT_EQ(posts[0].headers.at("content-type"), "application/x-www-form-urlencoded");
  const Fields expected = {{"product", typed[0]}, {"contact_information", typed[1]},
                           {"email", typed[2]},   {"manufacture_brand", typed[3]},
                           {"model", typed[4]},   {"produced_year_month", typed[5]},
                           {"origin", typed[6]},  {"vin_code", typed[7]},
                           {"problems", typed[8]}};
  EXPECT_EQ(posts[0].fields, expected);
  // The server's log of reports holds the same decoded texts.
  const std::vector<uint8_t> log = test::ReadFileBytes(dir_.File("server/feedback-received.txt"));
  const std::string logText(log.begin(), log.end());
  EXPECT_NE(logText.find("model: a&b=c+d%20e%\n"), std::string::npos) << logText;
  EXPECT_NE(logText.find("problems: 第一行：发动机故障灯亮\n\tline 2\r\n\tend?#/\n\n"),
            std::string::npos)
      << logText;

  // After success only the year and month keep their text.
  FeedbackTexts left{};
  left[kFeedbackProducedYearMonth] = "2008-03";
  EXPECT_EQ(view_.texts, left);
}

TEST_F(FeedbackTest, EmptyYearMonthIsSentAsAnEmptyValue) {
  view_.texts = Filled();
  view_.texts[kFeedbackProducedYearMonth].clear();
  EXPECT_EQ(Submit().outcome, FeedbackOutcome::kSent);
  const auto posts = Posts();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_NE(posts[0].body.find("&model=V70&produced_year_month=&origin=Sweden&"), std::string::npos)
      << posts[0].body;
  EXPECT_EQ(posts[0].body.rfind("product=TQ460&contact_information=", 0), 0u);
}

TEST_F(FeedbackTest, FailuresShowTheFailureMessageAndKeepEveryField) {
  struct Case {
    const char* name;
    sim::SimFault fault;
    const char* reply;  // feedback.txt, nullptr: the default "ok"
  };
  sim::SimFault silent;
  silent.delayMs = 3000;
  sim::SimFault notFound;
  notFound.status = 404;
  const Case cases[] = {
      {"200 with an empty body", {}, ""},
      {"404", notFound, nullptr},
      {"silent server", silent, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim_->ClearFaults();
    sim_->SetFault(kFeedbackPath, c.fault);
    ASSERT_TRUE(sim::WriteSimFile(sim_->Root(), "feedback.txt", c.reply ? c.reply : "ok"));
    view_.texts = Filled();
    view_.log.clear();
    FeedbackResult r = Submit(/*timeoutMs=*/400);
    EXPECT_EQ(r.outcome, FeedbackOutcome::kFailed);
    EXPECT_EQ(view_.log,
              (std::vector<std::string>{"busy", "idle", std::string("message ") + kFailedText}));
    EXPECT_EQ(view_.texts, Filled());
  }
  EXPECT_EQ(Posts().size(), 3u);
}

TEST_F(FeedbackTest, ReportOverTheLimitIsRefusedWholeNotCut) {
  view_.texts = Filled();
  view_.texts[kFeedbackProblems].clear();
  const size_t rest = FeedbackBody(view_.texts).size();
  ASSERT_LT(rest, kFeedbackBodyLimit);

  // Exactly at the limit: sent whole.
  view_.texts[kFeedbackProblems] = std::string(kFeedbackBodyLimit - rest, 'p');
  EXPECT_EQ(Submit().outcome, FeedbackOutcome::kSent);
  auto posts = Posts();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].body.size(), kFeedbackBodyLimit);
  EXPECT_EQ(posts[0].fields.back().second.size(), kFeedbackBodyLimit - rest);

  // One encoded byte more (a space becomes '+'): nothing sent, the text stays.
  sim_->ClearRequests();
  view_.texts = Filled();
  view_.texts[kFeedbackProblems] = std::string(kFeedbackBodyLimit - rest, ' ') + " ";
  view_.log.clear();
  EXPECT_EQ(Submit().outcome, FeedbackOutcome::kTooLong);
  EXPECT_EQ(view_.log, (std::vector<std::string>{
                           "message The report is too long to be sent (more than 64 KB). "
                           "Please shorten it."}));
  EXPECT_TRUE(Posts().empty());
  EXPECT_EQ(view_.texts[kFeedbackProblems].size(), kFeedbackBodyLimit - rest + 1);
}

TEST(FormUrlEncode, KeepsUnreservedEncodesEverythingElse) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"AZaz09*-._", "AZaz09*-._"},
      {"a b", "a+b"},
      {"&=+%", "%26%3D%2B%25"},
      {"\r\n\t", "%0D%0A%09"},
      {"中", "%E4%B8%AD"},
      {std::string("\0\xff", 2), "%00%FF"},
      {"~!'()", "%7E%21%27%28%29"},
  };
  for (const auto& [text, encoded] : cases) EXPECT_EQ(FormUrlEncode(text), encoded) << text;
}

}  // namespace
}  // namespace vortik

#include "feedback/feedback.h"

#include "net/http_client.h"

namespace vortik {

namespace {

// clang-format off
constexpr FeedbackField kFields[kFeedbackFieldCount] = {
    {"RichEdit_Product", "Label_Product", "product", TextId::MsgError26},
    {"RichEdit_ContactInformation", "Label_ContactInformation", "contact_information", TextId::MsgError24},
    {"RichEdit_Email", "Label_Email", "email", TextId::MsgError25},
    {"RichEdit_ManufactureBrand", "Label_ManufactureBrand", "manufacture_brand", TextId::MsgError1},
    {"RichEdit_Model", "Label_Model", "model", TextId::MsgError2},
    {"RichEdit_DateTime", "Label_ProducedYearMonth", "produced_year_month", std::nullopt},
    {"RichEdit_Origin", "Label_Origin", "origin", TextId::MsgError3},
    {"RichEdit_VINCode", "Label_VINCode", "vin_code", TextId::MsgError4},
    {"RichEdit_Problems", "Label_Problems", "problems", TextId::MsgError5},
};
// clang-format on

bool StaysUnencoded(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '*' ||
         c == '-' || c == '.' || c == '_';
}

}  // namespace

std::span<const FeedbackField, kFeedbackFieldCount> FeedbackFields() {
  return std::span<const FeedbackField, kFeedbackFieldCount>(kFields);
}

std::string FormUrlEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (StaysUnencoded(c)) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

int FirstEmptyRequiredField(const FeedbackTexts& texts) {
  for (int i = 0; i < kFeedbackFieldCount; ++i) {
    if (kFields[i].empty.has_value() && texts[static_cast<size_t>(i)].empty()) return i;
  }
  return -1;
}

std::string FeedbackBody(const FeedbackTexts& texts) {
  std::string body;
  for (int i = 0; i < kFeedbackFieldCount; ++i) {
    if (i > 0) body += '&';
    body += kFields[i].bodyKey;
    body += '=';
    body += FormUrlEncode(texts[static_cast<size_t>(i)]);
  }
  return body;
}

TextId FeedbackMessage(const FeedbackResult& result) {
  switch (result.outcome) {
    case FeedbackOutcome::kSent:
      return TextId::MsgInfo1;
    case FeedbackOutcome::kEmptyField:
      if (result.field >= 0 && result.field < kFeedbackFieldCount &&
          kFields[result.field].empty.has_value()) {
        return *kFields[result.field].empty;
      }
      break;
    case FeedbackOutcome::kTooLong:
      return TextId::MsgFeedbackTooLong;
    case FeedbackOutcome::kNoServer:
      return TextId::MsgNoServer;
    case FeedbackOutcome::kFailed:
      break;
  }
  return TextId::MsgError7;
}

FeedbackResult SubmitFeedback(FeedbackView& view, const std::string& serverBase, int timeoutMs) {
  FeedbackTexts texts;
  for (int i = 0; i < kFeedbackFieldCount; ++i) texts[static_cast<size_t>(i)] = view.FieldText(i);

  FeedbackResult result;
  FeedbackTexts sent = texts;
  if (const std::string attachment = view.Attachment(); !attachment.empty()) {
    std::string& problems = sent[kFeedbackProblems];
    problems += problems.empty() ? attachment : "\n\n" + attachment;
  }
  const std::string body = FeedbackBody(sent);
  if (int empty = FirstEmptyRequiredField(texts); empty >= 0) {
    result = {FeedbackOutcome::kEmptyField, empty};
  } else if (body.size() > kFeedbackBodyLimit) {
    result.outcome = FeedbackOutcome::kTooLong;
  } else if (serverBase.empty()) {
    result.outcome = FeedbackOutcome::kNoServer;
  } else {
    std::string reply;
    view.SetBusy(true);
    const bool sent =
        HttpPostText(serverBase + kFeedbackPath, body, kFeedbackReplyCapacity, timeoutMs, &reply);
    view.SetBusy(false);
    result.outcome = sent ? FeedbackOutcome::kSent : FeedbackOutcome::kFailed;
  }

  view.ShowMessage(FeedbackMessage(result));
  if (result.outcome == FeedbackOutcome::kSent) {
    for (int i = 0; i < kFeedbackFieldCount; ++i) {
      if (i != kFeedbackProducedYearMonth) view.ClearField(i);
    }
  }
  return result;
}

}  // namespace vortik

// The feedback form: its nine fields, the required-field checks, the form-encoded body, the POST
// to the feedback server and the one message each outcome shows. No toolkit here: the page
// reads and clears its fields through FeedbackView.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/text_id.h"

namespace vortik {

inline constexpr int kFeedbackFieldCount = 9;
inline constexpr char kFeedbackPath[] = "/HandheldDeviceUpdate/feedback.php";
inline constexpr int kFeedbackReplyCapacity = 100;
inline constexpr int kFeedbackTimeoutMs = 5000;
// Longest body sent, in bytes after encoding. A longer report is refused whole, never cut.
inline constexpr size_t kFeedbackBodyLimit = size_t{64} * 1024;

// Field positions, in the order of the request body.
enum FeedbackFieldIndex : int {
  kFeedbackProduct,
  kFeedbackContactInformation,
  kFeedbackEmail,
  kFeedbackManufactureBrand,
  kFeedbackModel,
  kFeedbackProducedYearMonth,
  kFeedbackOrigin,
  kFeedbackVinCode,
  kFeedbackProblems,
};

struct FeedbackField {
  const char* control;          // object name of the text field
  const char* label;            // object name of its caption
  const char* bodyKey;          // key in the request body
  std::optional<TextId> empty;  // the message when it is left empty; nothing: optional
};

// The nine fields in body order.
std::span<const FeedbackField, kFeedbackFieldCount> FeedbackFields();

// The fields' texts in body order, as UTF-8.
using FeedbackTexts = std::array<std::string, kFeedbackFieldCount>;

// Encodes text as a value of application/x-www-form-urlencoded: letters, digits and "*-._"
// stay, a space becomes '+', every other byte becomes %XX (upper-case hexadecimal).
std::string FormUrlEncode(std::string_view text);

// The required field whose check fails first (in the order the form checks them: the body
// order, skipping the optional year and month), or -1 when all are filled. Only an empty text
// fails; spaces count as filled.
int FirstEmptyRequiredField(const FeedbackTexts& texts);

// "product=...&contact_information=...&...&problems=..." with every value encoded.
std::string FeedbackBody(const FeedbackTexts& texts);

enum class FeedbackOutcome {
  kSent,        // the server answered status 200 with a body
  kEmptyField,  // a required field is empty; nothing sent
  kTooLong,     // the body would exceed kFeedbackBodyLimit; nothing sent
  kFailed,      // no connection, another status, an empty reply, or the time ran out
  kNoServer,    // no feedback server address is configured: nothing is sent
};

struct FeedbackResult {
  FeedbackOutcome outcome = FeedbackOutcome::kFailed;
  int field = -1;  // the empty field, for kEmptyField
};

// The one message of an outcome.
TextId FeedbackMessage(const FeedbackResult& result);

// What the submission asks of the page.
class FeedbackView {
 public:
  virtual ~FeedbackView() = default;
  virtual std::string FieldText(int field) = 0;  // UTF-8
  virtual void ClearField(int field) = 0;
  // Shown while the request runs (the request blocks the window).
  virtual void SetBusy(bool busy) = 0;
  virtual void ShowMessage(TextId message) = 0;
  // Text the user chose to send along (the last upgrade's record), exactly as shown to them;
  // empty: nothing. It travels in the problems value, after the user's text and a blank line,
  // as the server knows only the nine fields.
  virtual std::string Attachment() { return {}; }
};

// Checks, encodes and sends the form (with the view's attachment, which the checks ignore and
// the length limit counts) to `serverBase` + kFeedbackPath, then shows exactly one
// message. After a successful submission every field but the year and month is cleared; any
// other outcome keeps every field so the user can try again.
FeedbackResult SubmitFeedback(FeedbackView& view, const std::string& serverBase,
                              int timeoutMs = kFeedbackTimeoutMs);

}  // namespace vortik

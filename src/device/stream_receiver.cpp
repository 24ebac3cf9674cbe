#include "device/stream_receiver.h"

#include <algorithm>
#include <array>
#include <utility>

#include "device/frame.h"

namespace vortik {

namespace {

constexpr uint8_t kDollar = 0x24;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;

constexpr std::array<Colour, 9> kSequenceColours = {
    Rgb(255, 0, 0),    Rgb(0, 102, 255), Rgb(153, 51, 187), Rgb(102, 68, 170), Rgb(85, 85, 153),
    Rgb(68, 102, 119), Rgb(51, 119, 85), Rgb(34, 136, 68),  Rgb(187, 153, 51),
};

struct BuiltIn {
  uint16_t code;
  const char* text;
};
// The Persian phrases of the tool's battery test (ى is U+0649, ژ is U+0698).
constexpr BuiltIn kBuiltInTexts[] = {
    {0xF101, "مقدار ولتاژ"},
    {0xF102, "مقدار مقاومت"},
    {0xF103, "باترى سالم است\r\n"},
    {0xF104, "عوض شود\r\n"},
    {0x0F05, "شارژ مجدد صحىح انجام شده\r\n"},
    {0xF106, "دوباره شارژ و تست شود\r\n"},
    {0xF107, "سلول هاى باترى خراب است\r\n"},
    {0xF108, "بررسى تستر\r\n"},
};

// A frame start: "$$", the length, and the class byte of the frames the tool pushes.
constexpr size_t kFrameHeader = 5;
constexpr uint8_t kPushedClass = 0xFF;

enum class Start { kNo, kMaybe, kYes };

// Whether the `available` bytes at `a` begin a frame: kMaybe while the header is cut short and
// the bytes that are there fit it.
Start FrameStart(const uint8_t* a, size_t available) {
  if (available == 0 || a[0] != kDollar) return Start::kNo;
  if (available < 2) return Start::kMaybe;
  if (a[1] != kDollar) return Start::kNo;
  if (available < 4) return Start::kMaybe;
  const int length = FrameLengthField(a);
  if (length < kFrameOverhead || length > kLargestPushedFrame) return Start::kNo;
  if (available < kFrameHeader) return Start::kMaybe;
  return a[4] == kPushedClass ? Start::kYes : Start::kNo;
}

std::string ReplaceDelete(std::string text) {
  // U+007F shows as Ω (U+03A9); in UTF-8 the byte 0x7F is only ever that character.
  if (text.find('\x7F') == std::string::npos) return text;  // most text has none
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    if (ch == '\x7F') {
      out += "\xCE\xA9";
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

}  // namespace

Colour ReportSequenceColour(int k) {
  if (k < 1 || k > 9) return kReportDefaultColour;
  return kSequenceColours[static_cast<size_t>(k - 1)];
}

std::string BuiltInText(uint16_t code) {
  for (const BuiltIn& entry : kBuiltInTexts) {
    if (entry.code == code) return entry.text;
  }
  return {};
}

// --- frame collection --------------------------------------------------------------------------

FrameCollector::FrameCollector(Handlers handlers, Clock clock)
    : handlers_(std::move(handlers)), clock_(std::move(clock)) {
  if (!clock_) clock_ = [] { return std::time(nullptr); };
}

void FrameCollector::Dispatch(const uint8_t* frame, int length) {
  const uint16_t command = FrameCommand(frame);
  if (command == kCodeWaveSamples) {
    if (handlers_.waveSamples) handlers_.waveSamples(frame + kFramePayloadOffset, length - 10);
  } else if (command == kCodeWaveEnd) {
    if (handlers_.waveEnd) handlers_.waveEnd();
  }
}

void FrameCollector::Text(const uint8_t* bytes, size_t count) {
  if (count > 0 && handlers_.text) handlers_.text(bytes, static_cast<int>(count));
}

bool FrameCollector::Stale(std::time_t now) const {
  const std::time_t age = now - started_;
  return age < 0 || age >= kStaleFrameSeconds;
}

void FrameCollector::Expire() {
  if (buffer_.empty()) return;
  const std::time_t now = clock_();
  if (!Stale(now)) return;
  work_.swap(buffer_);
  buffer_.clear();
  if (FrameStart(work_.data(), work_.size()) != Start::kYes) {
    // A start never completed: its bytes were text.
    Text(work_.data(), work_.size());
    return;
  }
  // A frame that stopped arriving (the tool was unplugged or gave up) is dropped up to the next
  // start within what came after it; frames and text after that start are read as usual.
  size_t next = 1;
  while (next < work_.size() &&
         FrameStart(work_.data() + next, work_.size() - next) == Start::kNo) {
    ++next;
  }
  work_.erase(work_.begin(), work_.begin() + static_cast<std::ptrdiff_t>(next));
  Scan(0, now);
}

void FrameCollector::CollectFrames(const uint8_t* bytes, int count) {
  if (bytes == nullptr || count <= 0) return;
  Expire();
  const size_t held = buffer_.size();
  work_.assign(buffer_.begin(), buffer_.end());
  work_.insert(work_.end(), bytes, bytes + count);
  buffer_.clear();
  Scan(held, clock_());
}

void FrameCollector::Scan(size_t held, std::time_t now) {
  const uint8_t* a = work_.data();
  const size_t w = work_.size();
  size_t pos = 0;   // where the scan stands
  size_t text = 0;  // where the text not yet handed on begins
  while (pos < w) {
    if (a[pos] != kDollar) {
      ++pos;
      continue;
    }
    const Start start = FrameStart(a + pos, w - pos);
    if (start == Start::kNo) {
      ++pos;
      continue;
    }
    if (start == Start::kMaybe) break;  // the next read decides
    const size_t length = FrameLengthField(a + pos);
    if (w - pos < length) break;  // the rest of the frame is still to come
    Text(a + text, pos - text);
    if (CheckFrame(a + pos, static_cast<uint32_t>(length)) == static_cast<int>(length)) {
      Dispatch(a + pos, static_cast<int>(length));
      pos += length;
    } else {
      // A damaged or cut-off frame: its bytes are dropped up to the next start within it, so
      // a good frame after one cut short is not lost with it.
      const size_t end = pos + length;
      size_t next = pos + 1;
      while (next < end && FrameStart(a + next, w - next) == Start::kNo) ++next;
      if (next < end && FrameStart(a + next, w - next) == Start::kMaybe) {
        // A start inside it whose header the read cuts short: the next read decides, with the
        // damaged frame held back, so the outcome does not depend on where the read ended.
        text = pos;
        break;
      }
      pos = next;
    }
    text = pos;
  }
  Text(a + text, pos - text);
  if (pos < w) {
    // Held back: a start whose header or frame is cut short by the end of the read.
    buffer_.assign(a + pos, a + w);
    if (pos >= held) started_ = now;  // it began in this read
  }
}

// --- receiver ----------------------------------------------------------------------------------

StreamReceiver::StreamReceiver(MainState& state, ReceiverView& view, FrameCollector::Clock clock)
    : state_(state),
      view_(view),
      frames_(
          FrameCollector::Handlers{
              [this](const uint8_t* payload, int length) { view_.AddWaveSamples(payload, length); },
              [this] { view_.EndWaveCapture(); },
              [this](const uint8_t* bytes, int count) { HandleText(bytes, count); }},
          clock),
      clock_(clock ? std::move(clock) : [] { return std::time(nullptr); }) {}

int StreamReceiver::UartReadTimerTimer(const ReadFn& read, const WaitFn& wait) {
  uint8_t buffer[kReceiverReadSize + 1];
  int total = 0;
  int sinceWait = 0;  // bytes read since the tick began or last waited
  for (int piece = 0; piece < kReceiverMaxPiecesPerTick;) {
    const int n = read(buffer, kReceiverReadSize);
    if (n < 1) {
      // Only a driver that had at least a full piece to hand over may hold more behind it;
      // after less, the port is drained.
      if (sinceWait < kReceiverReadSize || !wait || !wait(kReceiverRefillWaitMs)) break;
      sinceWait = 0;
      continue;
    }
    const int taken = std::min(n, kReceiverReadSize);
    HandleRead(buffer, taken);
    total += taken;
    sinceWait += taken;
    ++piece;
  }
  Idle();
  return total;
}

void StreamReceiver::HandleRead(const uint8_t* bytes, int count) {
  if (bytes == nullptr || count < 1) return;
  ShowReportWhenCaptureStopped();
  frames_.CollectFrames(bytes, count);
}

void StreamReceiver::Idle() {
  frames_.Expire();
  ShowReportWhenCaptureStopped();
}

void StreamReceiver::ShowReportWhenCaptureStopped() {
  if (!hiddenText_ || view_.CaptureTimerEnabled()) return;
  hiddenText_ = false;
  if (view_.ChartVisible()) view_.SetPrintView(false);
}

void StreamReceiver::ResetTextState() {
  markerState_ = 0;
  textColour_ = kReportDefaultColour;
  argument_ = Argument::kNone;
  argumentCount_ = 0;
  afterCr_ = false;
}

void StreamReceiver::TakeArgument(uint8_t byte) {
  argumentBytes_[argumentCount_++] = byte;
  if (argumentCount_ < 2) return;
  if (argument_ == Argument::kCodePage) {
    state_.reportCodePage = static_cast<uint32_t>(argumentBytes_[0] | (argumentBytes_[1] << 8));
  } else {
    const std::string text =
        BuiltInText(static_cast<uint16_t>((argumentBytes_[0] << 8) | argumentBytes_[1]));
    if (!text.empty()) view_.AppendBuiltInText(text);
  }
  argument_ = Argument::kNone;
  argumentCount_ = 0;
}

void StreamReceiver::HandleText(const uint8_t* bytes, int count) {
  if (count < 1) return;
  // While the capture timer runs the chart stays; the text goes into the report behind it.
  if (view_.CaptureTimerEnabled()) {
    hiddenText_ = true;
  } else if (view_.ChartVisible()) {
    view_.SetPrintView(false);
  }
  // Argument bytes belong to their sequence only while they follow it closely: text seconds
  // later is text.
  if (argument_ != Argument::kNone) {
    const std::time_t age = clock_() - argumentStarted_;
    if (age < 0 || age >= kStaleFrameSeconds) {
      argument_ = Argument::kNone;
      argumentCount_ = 0;
    }
  }
  text_.clear();
  for (int i = 0; i < count; ++i) {
    const uint8_t c = bytes[i];
    const bool afterCr = afterCr_;
    afterCr_ = c == kCr;
    if (argument_ != Argument::kNone) {  // argument bytes are taken as they are
      TakeArgument(c);
      continue;
    }
    if (c == 0x00) {
      markerState_ = 1;
      continue;
    }
    // CR breaks the line; a LF only completes a CR LF pair in the same run of text. A lone LF,
    // or one whose CR was shown before (and has broken the line already), adds nothing.
    if (c == kLf && !(afterCr && !text_.empty() && text_.back() == '\r')) continue;
    const int s = markerState_;
    if (s == 0) {
      text_.push_back(static_cast<char>(c));
    } else if (s == 1 || s == 2) {
      markerState_ = c == kDollar ? s + 1 : 0;
    } else if (s == 3) {
      if (c >= 1 && c <= 9) {
        markerState_ = 3 + c;
      } else if (c == 0x25) {
        markerState_ = 15;
      } else if (c == 0xFF) {
        markerState_ = 14;
      } else {
        markerState_ = 0;
      }
    } else if (s >= 4 && s <= 12) {
      const int k = s - 3;
      if (c == 'H' + k) {
        AppendReportText();
        textColour_ = ReportSequenceColour(k);
      }
      markerState_ = 0;
    } else if (s == 14 || s == 15) {
      if ((s == 14 && c == 0xFE) || (s == 15 && c == kDollar)) {
        AppendReportText();
        argument_ = s == 14 ? Argument::kCodePage : Argument::kBuiltInText;
        argumentCount_ = 0;
        argumentStarted_ = clock_();
      }
      markerState_ = 0;
    } else {
      markerState_ = 0;
    }
  }
  AppendReportText();
}

void StreamReceiver::AppendReportText() {
  if (text_.empty()) return;
  std::string utf8 = converter_.ToUtf8(
      state_.reportCodePage, reinterpret_cast<const uint8_t*>(text_.data()), text_.size());
  text_.clear();
  view_.AppendReportText(ReplaceDelete(std::move(utf8)), textColour_);
}

}  // namespace vortik

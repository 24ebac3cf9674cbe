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

// Room for a pending frame of the largest declared length and one more read after it.
constexpr size_t kCollectionLimit = kLargestPushedFrame + kReceiverReadSize;

std::string ReplaceDelete(const std::string& text) {
  // U+007F shows as Ω (U+03A9); in UTF-8 the byte 0x7F is only ever that character.
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

void FrameCollector::Remove(size_t count) {
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
}

void FrameCollector::Dispatch(const uint8_t* frame, int length) {
  const uint16_t command = FrameCommand(frame);
  if (command == kCodeWaveSamples) {
    if (handlers_.waveSamples) handlers_.waveSamples(frame + kFramePayloadOffset, length - 10);
  } else if (command == kCodeWaveEnd) {
    if (handlers_.waveEnd) handlers_.waveEnd();
  }
}

void FrameCollector::CollectFrames(const uint8_t* bytes, int count) {
  if (bytes == nullptr || count <= 0) return;
  const std::time_t now = clock_();
  const size_t n = static_cast<size_t>(count);
  bool continued = false;
  if (!buffer_.empty()) {
    const std::time_t age = now - started_;
    // A partial frame older than the limit is stale; so is one that the read would push past
    // the largest frame (which cannot be: a declared length is waited for only up to it).
    if (age >= 0 && age < kStaleFrameSeconds && buffer_.size() + n <= kCollectionLimit) {
      buffer_.insert(buffer_.end(), bytes, bytes + n);
      continued = true;
    } else {
      buffer_.clear();
    }
  }
  if (!continued) {
    const bool frameStart =
        (n >= 2 && bytes[0] == kDollar && bytes[1] == kDollar) || (n == 1 && bytes[0] == kDollar);
    if (!frameStart) return;
    started_ = now;
    buffer_.assign(bytes, bytes + n);
  }

  while (buffer_.size() >= static_cast<size_t>(kFrameOverhead)) {
    uint8_t* a = buffer_.data();
    const int length = CheckFrame(a, static_cast<uint32_t>(buffer_.size()));
    if (length > 0) {
      Dispatch(a, length);
      Remove(static_cast<size_t>(length));
      if (buffer_.empty()) return;
      // What follows began with this read: the stale rule counts its age from now, so a steady
      // stream of frames is never cut off.
      started_ = now;
    } else if (a[0] == kDollar && a[1] == kDollar) {
      const size_t declared = FrameLengthField(a);
      if (declared >= 1) {
        if (buffer_.size() < declared) return;  // wait for the rest
        Remove(declared);                       // a bad frame, skipped by its declared length
        if (buffer_.empty()) return;
        started_ = now;
      } else {
        a[0] = 0;  // a start that is not believed
      }
    }
    // Resynchronise on the next "$$".
    a = buffer_.data();
    const size_t c = buffer_.size();
    if (a[0] == kDollar && (c == 1 || a[1] == kDollar)) continue;
    size_t j = 1;
    while (j + 1 < c && !(a[j] == kDollar && a[j + 1] == kDollar)) ++j;
    if (j + 1 < c) {
      Remove(j);
      continue;
    }
    if (a[c - 1] == kDollar) {
      buffer_.assign(1, kDollar);
    } else {
      buffer_.clear();
    }
    return;
  }
}

// --- receiver ----------------------------------------------------------------------------------

StreamReceiver::StreamReceiver(MainState& state, ReceiverView& view, FrameCollector::Clock clock)
    : state_(state),
      view_(view),
      frames_(FrameCollector::Handlers{[this](const uint8_t* payload, int length) {
                                         view_.AddWaveSamples(payload, length);
                                       },
                                       [this] { view_.EndWaveCapture(); }},
              std::move(clock)) {}

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
  return total;
}

void StreamReceiver::HandleRead(const uint8_t* bytes, int count) {
  if (bytes == nullptr || count < 1) return;
  int start = 0;
  if (view_.CaptureTimerEnabled() && frames_.pending() == 0) {
    // A capture is being shown, so this read is not text. If bytes were lost it can begin
    // inside a frame: the frames after it are taken from the next "$$" on, not dropped with it.
    while (start < count &&
           !(bytes[start] == kDollar && (start + 1 == count || bytes[start + 1] == kDollar))) {
      ++start;
    }
  }
  if (start < count) frames_.CollectFrames(bytes + start, count - start);
  if (view_.CaptureTimerEnabled()) return;  // a capture is shown: the read is not text
  if (view_.ChartVisible()) view_.SetPrintView(false);
  HandleText(bytes, count);
}

void StreamReceiver::ResetTextState() {
  markerState_ = 0;
  textColour_ = kReportDefaultColour;
  argument_ = Argument::kNone;
  argumentCount_ = 0;
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
  text_.clear();
  for (int i = 0; i < count; ++i) {
    const uint8_t c = bytes[i];
    if (argument_ != Argument::kNone) {  // argument bytes are taken as they are
      TakeArgument(c);
      continue;
    }
    if (c == 0x00) {
      markerState_ = 1;
      continue;
    }
    // A LF not preceded by CR in this read is dropped; one that begins a read follows the
    // previous read's CR, which has already broken the line.
    if (c == kLf && (i == 0 || bytes[i - 1] != kCr)) continue;
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
  const std::string utf8 = converter_.ToUtf8(
      state_.reportCodePage, reinterpret_cast<const uint8_t*>(text_.data()), text_.size());
  text_.clear();
  view_.AppendReportText(ReplaceDelete(utf8), textColour_);
}

}  // namespace vortik

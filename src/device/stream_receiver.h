// The receiver of what the tool pushes unasked: "$$" frames of voltage captures, and report text
// with in-band colour, code-page and built-in-text sequences (no Qt; driven by a timer tick).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "base/colour.h"
#include "base/main_state.h"
#include "platform/code_page.h"

namespace vortik {

// Largest read of one piece, the size of the driver's receive queue.
inline constexpr int kReceiverReadSize = 2048;
// A tick reads piece after piece while the port holds bytes, but at most this many.
inline constexpr int kReceiverMaxPiecesPerTick = 64;
// After a full piece the driver may still hold a backlog that it hands over in steps (the line
// discipline passes on a few kilobytes at a time): a tick waits this long for the next step
// before it ends, so a tool pushing at the full line rate never fills the driver.
inline constexpr int kReceiverRefillWaitMs = 2;
// The declared length of a frame that is waited for: the largest the length field allows.
inline constexpr int kLargestPushedFrame = 0xFFFF;
// A partial frame is dropped once this many whole seconds have passed since it began.
inline constexpr int kStaleFrameSeconds = 2;

inline constexpr Colour kReportDefaultColour = Rgb(0x00, 0xEE, 0x00);

// The colour of control sequence 00 24 24 k ("H" + k), k from 1 to 9.
Colour ReportSequenceColour(int k);
// The built-in text of a code in UTF-8 (with its CR LF where it has one); empty for other codes.
std::string BuiltInText(uint16_t code);

// Collects "$$" frames from successive reads and hands on the capture frames it completes.
class FrameCollector {
 public:
  using Clock = std::function<std::time_t()>;
  struct Handlers {
    std::function<void(const uint8_t* payload, int length)> waveSamples;
    std::function<void()> waveEnd;
  };
  explicit FrameCollector(Handlers handlers, Clock clock = nullptr);

  // Feeds one read. A read that does not continue a pending frame is frame data only when it
  // begins with "$$" (or is the single byte "$").
  void CollectFrames(const uint8_t* bytes, int count);
  int pending() const { return static_cast<int>(buffer_.size()); }

 private:
  void Dispatch(const uint8_t* frame, int length);
  void Remove(size_t count);

  Handlers handlers_;
  Clock clock_;
  std::vector<uint8_t> buffer_;
  std::time_t started_ = 0;  // when the frame at the front of the buffer began to arrive
};

// What the receiver asks of the Print page (report view, wave monitor, view switch).
class ReceiverView {
 public:
  virtual ~ReceiverView() = default;
  // Appends text at the end of the report, in `colour`; the caret stays after it.
  virtual void AppendReportText(const std::string& utf8, Colour colour) = 0;
  // Inserts text at the caret in the colour of the last appended text.
  virtual void AppendBuiltInText(const std::string& utf8) = 0;
  virtual void AddWaveSamples(const uint8_t* payload, int length) = 0;
  virtual void EndWaveCapture() = 0;
  // The capture timer runs: a capture is being shown, so reads are not report text.
  virtual bool CaptureTimerEnabled() const = 0;
  virtual bool ChartVisible() const = 0;
  virtual void SetPrintView(bool showChart) = 0;
};

class StreamReceiver {
 public:
  // Reads up to `capacity` bytes that the port holds, without waiting; below 1 when none.
  using ReadFn = std::function<int(uint8_t* buffer, int capacity)>;
  // Waits at most timeoutMs for the port to hold bytes; true when it does.
  using WaitFn = std::function<bool(int timeoutMs)>;

  StreamReceiver(MainState& state, ReceiverView& view, FrameCollector::Clock clock = nullptr);

  // One timer tick: reads what the port holds, piece by piece, and handles each piece as one
  // read. When an empty read follows at least a full piece's worth of bytes, `wait` (if given)
  // gives the driver a moment to pass on the rest of its backlog. Returns the bytes read.
  int UartReadTimerTimer(const ReadFn& read, const WaitFn& wait = nullptr);
  // One read: through the frame collection, then, unless a capture is shown, as report text.
  void HandleRead(const uint8_t* bytes, int count);

  // The report view's Clear: no sequence in progress, the default colour.
  void ResetTextState();
  int reportMarkerState() const { return markerState_; }
  Colour reportTextColour() const { return textColour_; }
  const FrameCollector& frames() const { return frames_; }

 private:
  enum class Argument { kNone, kCodePage, kBuiltInText };
  void HandleText(const uint8_t* bytes, int count);
  void TakeArgument(uint8_t byte);
  void AppendReportText();

  MainState& state_;
  ReceiverView& view_;
  FrameCollector frames_;
  platform::CodePageConverter converter_;
  int markerState_ = 0;
  Colour textColour_ = kReportDefaultColour;
  // A code-page or built-in-text sequence whose two argument bytes are still to come (they may
  // arrive in the next read).
  Argument argument_ = Argument::kNone;
  uint8_t argumentBytes_[2] = {0, 0};
  int argumentCount_ = 0;
  std::string text_;  // bytes of the current read waiting to be shown
};

}  // namespace vortik

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
// The largest frame the tool pushes (a sample frame of 2,039 payload bytes); a start declaring
// more is not believed and its bytes are read as text.
inline constexpr int kLargestPushedFrame = 2049;
// A partial frame is dropped once this many whole seconds have passed since it began; so are the
// argument bytes of a code-page or built-in-text sequence still waited for.
inline constexpr int kStaleFrameSeconds = 2;

inline constexpr Colour kReportDefaultColour = Rgb(0x00, 0xEE, 0x00);

// The colour of control sequence 00 24 24 k ("H" + k), k from 1 to 9.
Colour ReportSequenceColour(int k);
// The built-in text of a code in UTF-8 (with its CR LF where it has one); empty for other codes.
std::string BuiltInText(uint16_t code);

// Splits the bytes the tool pushes into "$$" capture frames and report text, wherever the reads
// cut them. A frame start is believed only as a whole header: "$$", a length from 10 to the
// largest pushed frame, and the class byte 0xFF of the pushed frames; every other byte is text.
// Bytes that may still become a frame start (a "$" at the end of a read, a header cut short) and
// a believed frame still arriving are held back until the next read decides them, so text comes
// out the same and in order for any cut of the reads.
class FrameCollector {
 public:
  using Clock = std::function<std::time_t()>;
  struct Handlers {
    std::function<void(const uint8_t* payload, int length)> waveSamples;
    std::function<void()> waveEnd;
    // Bytes that are report text, in the order they came.
    std::function<void(const uint8_t* bytes, int count)> text;
  };
  explicit FrameCollector(Handlers handlers, Clock clock = nullptr);

  // Feeds one read: hands on the frames it completes and the text around them.
  void CollectFrames(const uint8_t* bytes, int count);
  // What is held back once it is stale: a frame still arriving is dropped (it will not be
  // completed), the bytes of a start never completed go on as text. Called between reads.
  void Expire();
  int pending() const { return static_cast<int>(buffer_.size()); }

 private:
  void Dispatch(const uint8_t* frame, int length);
  void Text(const uint8_t* bytes, size_t count);
  // Hands on the frames and text in work_; what may still become a frame is held in buffer_.
  // The first `held` bytes of work_ were held before, since started_.
  void Scan(size_t held, std::time_t now);
  bool Stale(std::time_t now) const;

  Handlers handlers_;
  Clock clock_;
  std::vector<uint8_t> buffer_;  // a frame start (or a frame) not yet decided
  std::vector<uint8_t> work_;    // the held-back bytes and the read being scanned
  std::time_t started_ = 0;      // when the bytes held back began to arrive
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
  // The capture timer runs: the chart stays on show, report text arriving meanwhile is added to
  // the report behind it and shown once the timer has stopped.
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
  // One read: frames to the wave monitor, everything else as report text.
  void HandleRead(const uint8_t* bytes, int count);
  // Between reads: releases what has been held back too long, and shows the report once the
  // capture timer has stopped if text came while it ran.
  void Idle();

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
  void ShowReportWhenCaptureStopped();

  MainState& state_;
  ReceiverView& view_;
  FrameCollector frames_;
  platform::CodePageConverter converter_;
  int markerState_ = 0;
  Colour textColour_ = kReportDefaultColour;
  FrameCollector::Clock clock_;
  // A code-page or built-in-text sequence whose two argument bytes are still to come (they may
  // arrive in the next read, while it is recent).
  Argument argument_ = Argument::kNone;
  uint8_t argumentBytes_[2] = {0, 0};
  int argumentCount_ = 0;
  std::time_t argumentStarted_ = 0;
  bool afterCr_ = false;     // the last text byte was CR (a LF after it breaks the line)
  bool hiddenText_ = false;  // text came while the capture timer ran (the chart is on show)
  std::string text_;         // bytes of the current read waiting to be shown
};

}  // namespace vortik

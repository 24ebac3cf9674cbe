// The receiver of what the tool pushes unasked, on arbitrary bytes cut into arbitrary reads:
// report text with its control sequences and code pages, and "$$" capture frames split between
// reads, with the clock moving on between some of them. Then two checks that no report byte is
// lost or doubled wherever the reads cut the stream: the same bytes in one read and in reads of
// random lengths show the same text and samples, and a stream built of known text and good
// frames shows exactly that text and those samples.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "base/main_state.h"
#include "device/frame.h"
#include "device/stream_receiver.h"
#include "fuzz_support.h"

using vortik::fuzz::Check;

// The checking code is left out of the coverage the fuzzer follows: its loops over every byte cost
// more than the receiver's under the comparison tracing, and only the receiver's paths are worth
// steering inputs to.
#if defined(__clang__)
#define CHECKING_CODE __attribute__((no_sanitize("coverage")))
#else
#define CHECKING_CODE
#endif

namespace {

CHECKING_CODE bool ValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t n = c < 0x80           ? 1
                     : (c >> 5) == 0x6  ? 2
                     : (c >> 4) == 0xE  ? 3
                     : (c >> 3) == 0x1E ? 4
                                        : 0;
    if (n == 0 || i + n > text.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

class CheckingView : public vortik::ReceiverView {
 public:
  CHECKING_CODE void AppendReportText(const std::string& utf8, vortik::Colour) override {
    Check(!utf8.empty(), "no empty report run");
    Check(ValidUtf8(utf8), "report text is UTF-8");
  }
  CHECKING_CODE void AppendBuiltInText(const std::string& utf8) override {
    Check(!utf8.empty() && ValidUtf8(utf8), "built-in text");
  }
  CHECKING_CODE void AddWaveSamples(const uint8_t* payload, int length) override {
    Check(length >= 0 && length <= vortik::kLargestPushedFrame, "payload length");
    // Touch every byte, so a payload pointing outside the frame shows under the sanitizers.
    unsigned sum = 0;
    for (int i = 0; i < length; ++i) sum += payload[i];
    sink += sum;
    capture = true;
  }
  CHECKING_CODE void EndWaveCapture() override { capture = false; }
  CHECKING_CODE bool CaptureTimerEnabled() const override { return capture; }
  CHECKING_CODE bool ChartVisible() const override { return chart; }
  CHECKING_CODE void SetPrintView(bool showChart) override { chart = showChart; }
  unsigned sink = 0;
  bool capture = false;
  bool chart = false;
};

// Records everything shown, for comparing two runs over the same bytes.
class RecordingView : public vortik::ReceiverView {
 public:
  explicit RecordingView(const vortik::MainState& state) : state_(state) {}
  CHECKING_CODE void AppendReportText(const std::string& utf8, vortik::Colour colour) override {
    singleByte = singleByte && state_.reportCodePage == 28605;
    // CR LF split between runs shows as CR alone (the CR already breaks the line), so line
    // feeds are left out of the comparison.
    const size_t before = text.size();
    for (char c : utf8) {
      if (c != '\n') text.push_back(c);
    }
    colours.insert(colours.end(), text.size() - before, colour);
  }
  CHECKING_CODE void AppendBuiltInText(const std::string& utf8) override { builtIn += utf8 + "|"; }
  CHECKING_CODE void AddWaveSamples(const uint8_t* payload, int length) override {
    samples.insert(samples.end(), payload, payload + length);
    capture = true;
  }
  CHECKING_CODE void EndWaveCapture() override {
    ++ends;
    capture = false;
  }
  CHECKING_CODE bool CaptureTimerEnabled() const override { return capture; }
  CHECKING_CODE bool ChartVisible() const override { return false; }
  CHECKING_CODE void SetPrintView(bool) override {}

  CHECKING_CODE bool Same(const RecordingView& other) const {
    return text == other.text && colours == other.colours && builtIn == other.builtIn &&
           samples == other.samples && ends == other.ends;
  }

  std::string text;
  std::vector<vortik::Colour> colours;
  std::string builtIn;
  std::vector<uint8_t> samples;
  int ends = 0;
  bool capture = false;
  bool singleByte = true;

 private:
  const vortik::MainState& state_;
};

// The state a receiver of a check starts from. The receiver keeps only the report's code page
// there, so two states are kept for the whole run and that member is reset: a whole new state
// (its text table and capture buffer) for each of the five receivers of an input cost more than
// the receivers themselves.
vortik::MainState& FreshState(int slot) {
  static vortik::MainState states[2];
  static const uint32_t startCodePage = vortik::MainState{}.reportCodePage;
  vortik::MainState& state = states[slot];
  state.reportCodePage = startCodePage;
  return state;
}

// Feeds `stream` to a fresh receiver in reads whose lengths come from `seed` (0: one read), the
// clock standing still, then lets what is held back go once it is stale.
CHECKING_CODE void Run(const std::vector<uint8_t>& stream, uint32_t seed, RecordingView& view,
                       vortik::MainState& state) {
  std::time_t now = 1000;
  vortik::StreamReceiver receiver(state, view, [&now] { return now; });
  size_t offset = 0;
  while (offset < stream.size()) {
    size_t n = stream.size() - offset;
    if (seed != 0) {
      seed = seed * 1103515245u + 12345u;
      n = std::min(n, static_cast<size_t>((seed >> 16) % 70 + 1));
    }
    const std::vector<uint8_t> piece(stream.begin() + static_cast<std::ptrdiff_t>(offset),
                                     stream.begin() + static_cast<std::ptrdiff_t>(offset + n));
    receiver.HandleRead(piece.data(), static_cast<int>(piece.size()));
    offset += n;
  }
  // A frame start found again behind a stale one is held anew; every round drops a byte of it.
  for (size_t round = 0; round <= stream.size() && receiver.frames().pending() > 0; ++round) {
    now += vortik::kStaleFrameSeconds;
    receiver.Idle();
  }
  Check(receiver.frames().pending() == 0, "nothing held back once stale");
}

// The same bytes in one read and cut into many show the same.
CHECKING_CODE void CheckCutsOfRawBytes(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const std::vector<uint8_t> stream(data + 1, data + size);
  vortik::MainState& wholeState = FreshState(0);
  RecordingView whole(wholeState);
  Run(stream, 0, whole, wholeState);
  vortik::MainState& cutState = FreshState(1);
  RecordingView cut(cutState);
  Run(stream, 0x9E3779B9u ^ data[0], cut, cutState);
  // A text of a multi-byte code page converts each run on its own; compare single-byte text.
  if (!whole.singleByte || !cut.singleByte) return;
  Check(whole.Same(cut), "the same text and samples for any cut of the reads");
  Check(wholeState.reportCodePage == cutState.reportCodePage, "the same code page");
}

// A stream of known text (no NUL, so no control sequence, and no 0xFF, so never a frame start)
// with good capture frames between: the text and the samples come out exactly.
CHECKING_CODE void CheckKnownStream(const uint8_t* data, size_t size) {
  std::vector<uint8_t> stream;
  std::vector<uint8_t> text;
  std::vector<uint8_t> samples;
  size_t i = 0;
  while (i < size) {
    const uint8_t b = data[i++];
    if (b == 0x00 && i < size) {  // a frame whose payload is the next few bytes
      const size_t wanted = data[i++] % 64;
      const size_t n = std::min<size_t>(wanted, size - i);
      std::vector<uint8_t> frame(n + vortik::kFrameOverhead);
      vortik::BuildReplyFrame(frame.data(), vortik::kCodeWaveSamples, data + i,
                              static_cast<int>(n));
      stream.insert(stream.end(), frame.begin(), frame.end());
      samples.insert(samples.end(), data + i, data + i + n);
      i += n;
      continue;
    }
    const uint8_t c = b == 0x00 ? ' ' : (b == 0xFF ? 'y' : b);
    stream.push_back(c);
    text.push_back(c);
  }
  vortik::MainState& referenceState = FreshState(0);
  RecordingView reference(referenceState);
  Run(text, 0, reference, referenceState);  // the text alone, in one read
  vortik::MainState& state = FreshState(1);
  RecordingView view(state);
  Run(stream, 0x2545F491u ^ static_cast<uint32_t>(size), view, state);
  Check(view.text == reference.text && view.colours == reference.colours,
        "no report byte lost or doubled");
  Check(view.samples == samples, "every sample delivered once");
}

}  // namespace

// Input: pairs of (read length byte, bytes). A length byte with its top bit set also moves the
// clock on by a second.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vortik::MainState& state = FreshState(0);
  CheckingView view;
  std::time_t now = 1000;
  vortik::StreamReceiver receiver(state, view, [&now] { return now; });
  size_t i = 0;
  while (i < size) {
    const uint8_t control = data[i++];
    if ((control & 0x80) != 0) ++now;
    const size_t want = static_cast<size_t>(control & 0x7F) * 32 + 1;
    const size_t n = std::min(want, size - i);
    if (n == 0) break;
    // A copy of exactly the read, so a read past it shows under the sanitizers.
    const std::vector<uint8_t> piece(data + i, data + i + n);
    receiver.HandleRead(piece.data(), static_cast<int>(piece.size()));
    Check(receiver.frames().pending() <= vortik::kLargestPushedFrame + vortik::kReceiverReadSize,
          "pending frame bounded");
    i += n;
  }
  CheckCutsOfRawBytes(data, size);
  CheckKnownStream(data, size);
  return 0;
}

// The receiver of what the tool pushes unasked, on arbitrary bytes cut into arbitrary reads:
// report text with its control sequences and code pages, and "$$" capture frames split between
// reads, with the clock moving on between some of them.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "base/main_state.h"
#include "device/stream_receiver.h"
#include "fuzz_support.h"

using vortik::fuzz::Check;

namespace {

bool ValidUtf8(const std::string& text) {
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
  void AppendReportText(const std::string& utf8, vortik::Colour) override {
    Check(!utf8.empty(), "no empty report run");
    Check(ValidUtf8(utf8), "report text is UTF-8");
  }
  void AppendBuiltInText(const std::string& utf8) override {
    Check(!utf8.empty() && ValidUtf8(utf8), "built-in text");
  }
  void AddWaveSamples(const uint8_t* payload, int length) override {
    Check(length >= 0 && length <= vortik::kLargestPushedFrame, "payload length");
    // Touch every byte, so a payload pointing outside the frame shows under the sanitizers.
    unsigned sum = 0;
    for (int i = 0; i < length; ++i) sum += payload[i];
    sink += sum;
    capture = true;
  }
  void EndWaveCapture() override { capture = false; }
  bool CaptureTimerEnabled() const override { return capture; }
  bool ChartVisible() const override { return chart; }
  void SetPrintView(bool showChart) override { chart = showChart; }
  unsigned sink = 0;
  bool capture = false;
  bool chart = false;
};

}  // namespace

// Input: pairs of (read length byte, bytes). A length byte with its top bit set also moves the
// clock on by a second.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vortik::MainState state;
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
  return 0;
}

#include "device/stream_receiver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "device/frame.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "helpers/tool_on_pty.h"
#include "platform/code_page.h"
#include "scantool_sim.h"

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

// Records what the receiver shows, one line per call: "red:text", "builtin:text", "samples:n",
// "end", "view:text" / "view:chart".
class RecordingView : public ReceiverView {
 public:
  void AppendReportText(const std::string& utf8, Colour colour) override {
    events.push_back(ColourName(colour) + ":" + utf8);
  }
  void AppendBuiltInText(const std::string& utf8) override { events.push_back("builtin:" + utf8); }
  void AddWaveSamples(const uint8_t* payload, int length) override {
    samples.insert(samples.end(), payload, payload + length);
    events.push_back("samples:" + std::to_string(length));
    captureTimer = true;  // as the wave monitor starts its timer on a capture's first frame
  }
  void EndWaveCapture() override { events.push_back("end"); }
  bool CaptureTimerEnabled() const override { return captureTimer; }
  bool ChartVisible() const override { return chartVisible; }
  void SetPrintView(bool showChart) override {
    chartVisible = showChart;
    events.push_back(showChart ? "view:chart" : "view:text");
  }

  static std::string ColourName(Colour colour) {
    if (colour == kReportDefaultColour) return "green";
    if (colour == Rgb(255, 0, 0)) return "red";
    if (colour == Rgb(187, 153, 51)) return "ochre";
    char name[16];
    std::snprintf(name, sizeof name, "%06X", colour);
    return name;
  }

  std::vector<std::string> events;
  Bytes samples;
  bool captureTimer = false;
  bool chartVisible = false;
};

Bytes B(const std::string& text) {
  return Bytes(text.begin(), text.end());
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes WaveFrame(const Bytes& payload, uint16_t code = kCodeWaveSamples) {
  Bytes frame(payload.size() + kFrameOverhead);
  BuildReplyFrame(frame.data(), code, payload.data(), static_cast<int>(payload.size()));
  return frame;
}

struct Fixture {
  MainState state;
  RecordingView view;
  std::time_t now = 1000;
  StreamReceiver receiver{state, view, [this] { return now; }};

  // Reads `gap` seconds apart.
  void Reads(const std::vector<Bytes>& reads, int gap = 0) {
    for (const Bytes& read : reads) {
      receiver.HandleRead(read.data(), static_cast<int>(read.size()));
      now += gap;
    }
  }
};

struct TextCase {
  const char* name;
  std::vector<Bytes> reads;
  std::vector<std::string> shown;
  uint32_t codePage = 28605;
  int gap = 0;  // seconds between the reads
};

TEST(StreamReceiver, TextAndControlSequences) {
  const Bytes seq = {0x00, 0x24, 0x24};
  const std::vector<TextCase> cases = {
      {"CR LF breaks the line", {B("AB\r\nC")}, {"green:AB\r\nC"}},
      {"a lone LF is dropped", {B("A\nB")}, {"green:AB"}},
      {"LF beginning a read follows the previous CR",
       {B("A\r"), B("\nB")},
       {"green:A\r", "green:B"}},
      {"colour 1 is red", {seq + Bytes{0x01, 'I'} + B("hot")}, {"red:hot"}},
      {"colour 9 is ochre", {seq + Bytes{0x09, 'Q'} + B("x")}, {"ochre:x"}},
      {"wrong check letter changes nothing", {seq + Bytes{0x01, 'J'} + B("t")}, {"green:t"}},
      {"text before a sequence keeps its colour",
       {B("a") + seq + Bytes{0x01, 'I'} + B("b")},
       {"green:a", "red:b"}},
      {"sequence split over reads",
       {B("a") + Bytes{0x00, 0x24}, Bytes{0x24, 0x01}, B("Ib")},
       {"green:a", "red:b"}},
      {"no match after 00", {Bytes{0x00} + B("x$y")}, {"green:$y"}},
      {"DEL shows as omega", {B("1\x7F")}, {"green:1\xCE\xA9"}},
      {"code page sequence", {seq + Bytes{0xFF, 0xFE, 0xE8, 0x03}}, {}, 1000},
      {"code page arguments in the next read",
       {seq + Bytes{0xFF, 0xFE, 0xE8}, Bytes{0x03} + B("z")},
       {"green:z"},
       1000},
      {"both arguments in the next read",
       {seq + Bytes{0xFF, 0xFE}, Bytes{0xFB, 0x04, 'k'}},
       {"green:k"},
       1275},
      {"arguments are not taken from text seconds later",
       {seq + Bytes{0xFF, 0xFE}, B("ok\r\n")},
       {"green:ok\r\n"},
       28605,
       3},
      {"LF after a CR shown with an earlier run adds nothing",
       {B("A\r") + seq + Bytes{0x01, 'I'} + B("\nB")},
       {"green:A\r", "red:B"}},
      {"code page that does not match", {seq + Bytes{0xFF, 0xFD, 'q'}}, {"green:q"}},
      {"Cyrillic code page",
       {seq + Bytes{0xFF, 0xFE, 0xE3, 0x04} + Bytes{0xCF, 0xF0, 0xE8}},
       {"green:При"},
       1251},
      {"unconvertible code page shows Latin-1",
       {seq + Bytes{0xFF, 0xFE, 0x39, 0x05} + Bytes{'a', 0xE9}},
       {"green:a\xC3\xA9"},
       1337},
      {"built-in text F103",
       {B("V ") + seq + Bytes{0x25, 0x24, 0xF1, 0x03}},
       {"green:V ", "builtin:باترى سالم است\r\n"}},
      {"built-in text 0F05",
       {seq + Bytes{0x25, 0x24, 0x0F, 0x05}},
       {"builtin:شارژ مجدد صحىح انجام شده\r\n"}},
      {"code F105 inserts nothing", {seq + Bytes{0x25, 0x24, 0xF1, 0x05}}, {}},
      {"built-in text arguments split",
       {seq + Bytes{0x25, 0x24, 0xF1}, Bytes{0x01} + B(" 12V")},
       {"builtin:مقدار ولتاژ", "green: 12V"}},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.Reads(c.reads, c.gap);
    EXPECT_EQ(f.view.events, c.shown);
    EXPECT_EQ(f.state.reportCodePage, c.codePage);
  }
}

TEST(StreamReceiver, ColourLastsAcrossReadsUntilReset) {
  Fixture f;
  f.Reads({Bytes{0x00, 0x24, 0x24, 0x01, 'I'}, B("a"), Bytes{0x00}});
  EXPECT_EQ(f.receiver.reportMarkerState(), 1);
  f.receiver.ResetTextState();
  EXPECT_EQ(f.receiver.reportMarkerState(), 0);
  EXPECT_EQ(f.receiver.reportTextColour(), kReportDefaultColour);
  f.Reads({B("$b")});
  EXPECT_EQ(f.view.events, (std::vector<std::string>{"red:a", "green:$b"}));
}

TEST(StreamReceiver, TickReadsEverythingThePortHolds) {
  Fixture f;
  // 5000 bytes of text waiting: three pieces in one tick, none lost.
  std::string pushed;
  for (int i = 0; pushed.size() < 5000; ++i) pushed += "line " + std::to_string(i) + "\r\n";
  size_t offset = 0;
  std::vector<int> pieces;
  const int total = f.receiver.UartReadTimerTimer([&](uint8_t* buffer, int capacity) {
    const size_t n = std::min(pushed.size() - offset, static_cast<size_t>(capacity));
    std::copy_n(pushed.data() + offset, n, buffer);
    offset += n;
    if (n > 0) pieces.push_back(static_cast<int>(n));
    return static_cast<int>(n);
  });
  EXPECT_EQ(total, static_cast<int>(pushed.size()));
  EXPECT_EQ(pieces.size(), 3u);
  std::string shown;
  for (const std::string& e : f.view.events) shown += e.substr(6);  // "green:"
  EXPECT_EQ(shown, pushed);
}

// The terminal driver hands its backlog over in steps: the line discipline holds at most 4,095
// bytes and is refilled from the rest only while the reader waits. A tick must keep waiting as
// long as it drained a full piece's worth, and must not wait after a short trickle.
TEST(StreamReceiver, TickWaitsForTheDriverToHandOverItsBacklog) {
  struct Case {
    size_t pushed;
    int waitsExpected;
  };
  for (const Case& c : {Case{10000, 2}, Case{100, 0}, Case{4095, 1}}) {
    Fixture f;
    std::string backlog;
    for (int i = 0; backlog.size() < c.pushed; ++i) backlog += "line " + std::to_string(i) + "\r\n";
    backlog.resize(c.pushed);
    std::string ldisc;
    size_t offset = 0;
    const auto refill = [&] {
      const size_t n = std::min(backlog.size() - offset, 4095 - ldisc.size());
      ldisc += backlog.substr(offset, n);
      offset += n;
    };
    refill();
    int waits = 0;
    const int total = f.receiver.UartReadTimerTimer(
        [&](uint8_t* buffer, int capacity) {
          const size_t n = std::min(ldisc.size(), static_cast<size_t>(capacity));
          std::copy_n(ldisc.data(), n, buffer);
          ldisc.erase(0, n);
          return static_cast<int>(n);
        },
        [&](int) {
          ++waits;
          refill();
          return !ldisc.empty();
        });
    EXPECT_EQ(total, static_cast<int>(c.pushed)) << c.pushed;
    EXPECT_EQ(waits, c.waitsExpected) << c.pushed;
    std::string shown;
    for (const std::string& e : f.view.events) shown += e.substr(6);  // "green:"
    EXPECT_EQ(shown, backlog);
  }
}

// Frames go to the wave monitor and every byte around them is report text, wherever the reads
// cut them.
TEST(StreamReceiver, FramesGoToTheWaveMonitorAndTheRestIsText) {
  const Bytes samples = WaveFrame({0x78, 0x00, 0x7D, 0x00, 0x76, 0x00});
  const Bytes end = WaveFrame({}, kCodeWaveEnd);
  const Bytes big = WaveFrame(Bytes(1500, 0x42));
  const Bytes largest = WaveFrame(Bytes(kLargestPushedFrame - kFrameOverhead, 0x43));
  const Bytes half1(samples.begin(), samples.begin() + 7);
  const Bytes half2(samples.begin() + 7, samples.end());
  const Bytes big1(big.begin(), big.begin() + 600);
  const Bytes big2(big.begin() + 600, big.end());
  const Bytes cutOff(big.begin(), big.begin() + 20);
  Bytes badCrc = samples;
  badCrc[samples.size() - 4] ^= 1;
  struct Case {
    const char* name;
    std::vector<std::pair<int, Bytes>> reads;  // seconds after the first read, bytes
    std::vector<std::string> events;
    const char* text;  // all report text shown; nullptr: not looked at (bytes of lost frames)
  };
  const std::vector<Case> cases = {
      {"whole frame and end", {{0, samples + end}}, {"samples:6", "end"}, ""},
      {"split 100 ms apart: no text", {{0, half1}, {0, half2}}, {"samples:6"}, ""},
      {"split inside the header",
       {{0, Bytes(samples.begin(), samples.begin() + 3)},
        {0, Bytes(samples.begin() + 3, samples.end())}},
       {"samples:6"},
       ""},
      {"a lone $ at the end of a read", {{0, B("5$")}, {0, B("!")}}, {}, "5$!"},
      {"split one second apart", {{0, half1}, {1, half2}}, {"samples:6"}, ""},
      {"second half three seconds later is lost", {{0, half1}, {3, half2}}, {}, nullptr},
      {"longer than 512 bytes, split", {{0, big1}, {0, big2}}, {"samples:1500"}, ""},
      {"the largest frame", {{0, largest}}, {"samples:2039"}, ""},
      {"bad CRC skipped by its length", {{0, badCrc + samples}}, {"samples:6"}, ""},
      {"a cut-off frame does not take the next one with it",
       {{0, cutOff + samples}, {2, B("after")}},
       {"samples:6"},
       "after"},
      {"garbage before the next frame",
       {{0, B("$$") + Bytes{0x00, 0x00, 1, 2, 3, 4, 5, 6, 7, 8} + samples}},
       {"samples:6"},
       nullptr},
      {"text before a frame", {{0, B("x") + samples}}, {"samples:6"}, "x"},
      {"text after the end frame in the same read",
       {{0, samples + end + B("Result: OK\r\n")}},
       {"samples:6", "end"},
       "Result: OK\r\n"},
      {"$$ with a length beyond the largest frame is text",
       {{0, B("$$\r\nprice") + samples}},
       {"samples:6"},
       "$$\r\nprice"},
      {"a colour sequence is not a frame start",
       {{0, Bytes{0x00, 0x24, 0x24, 0x01, 'I'} + B("hot")}},
       {},
       "hot"},
      {"while a capture is shown, a read beginning inside a frame is searched for the next",
       {{0, samples}, {0, Bytes(samples.begin() + 7, samples.end()) + samples}},
       {"samples:6", "samples:6"},
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    std::vector<std::string> frameEvents;
    for (const auto& [seconds, bytes] : c.reads) {
      f.now = 1000 + seconds;
      f.receiver.HandleRead(bytes.data(), static_cast<int>(bytes.size()));
    }
    std::string text;
    for (const std::string& e : f.view.events) {
      if (e.rfind("samples:", 0) == 0 || e == "end") frameEvents.push_back(e);
      const size_t colon = e.find(':');
      if (e.rfind("samples:", 0) != 0 && e.rfind("view:", 0) != 0 && colon != std::string::npos) {
        text += e.substr(colon + 1);
      }
    }
    EXPECT_EQ(frameEvents, c.events);
    if (c.text != nullptr) {
      EXPECT_EQ(text, c.text);
    }
    EXPECT_EQ(f.receiver.frames().pending(), 0);
  }
}

// A believed start whose frame never completes: held for at most the stale time, then its bytes
// are dropped and what comes next is read afresh.
TEST(StreamReceiver, HeldBytesAreReleasedWhenStale) {
  Fixture f;
  const Bytes samples = WaveFrame({0x78, 0x00});
  f.Reads({B("total 5$")});
  EXPECT_EQ(f.receiver.frames().pending(), 1);
  f.now += 2;
  f.receiver.Idle();  // a tick without reads
  EXPECT_EQ(f.receiver.frames().pending(), 0);
  f.Reads({Bytes(samples.begin(), samples.begin() + 8)});
  f.now += 2;
  f.Reads({B("next report")});
  EXPECT_EQ(f.view.events,
            (std::vector<std::string>{"green:total 5", "green:$", "green:next report"}));
}

TEST(StreamReceiver, SteadyFrameStreamIsNeverCutOff) {
  // Frames arriving for ten seconds, every read ending inside a frame: nothing is dropped.
  Fixture f;
  Bytes stream;
  for (int i = 0; i < 200; ++i) stream = stream + WaveFrame(Bytes(100, static_cast<uint8_t>(i)));
  size_t offset = 0;
  for (int tick = 0; offset < stream.size(); ++tick) {
    f.now = 1000 + tick / 10;
    const size_t n = std::min<size_t>(111, stream.size() - offset);
    f.receiver.HandleRead(stream.data() + offset, static_cast<int>(n));
    offset += n;
  }
  EXPECT_EQ(f.view.samples.size(), 200u * 100u);
}

// Text while the capture timer runs goes into the report behind the chart; the report comes
// into view once the timer has stopped.
TEST(StreamReceiver, TextWhileCaptureShownIsKeptAndShownAfter) {
  Fixture f;
  const Bytes frame = WaveFrame({1, 2});
  f.view.chartVisible = true;
  f.Reads({frame + B("kept"), B(" also kept")});
  f.receiver.Idle();
  EXPECT_EQ(f.view.events,
            (std::vector<std::string>{"samples:2", "green:kept", "green: also kept"}));
  f.view.captureTimer = false;  // the capture has ended
  f.receiver.Idle();
  EXPECT_EQ(f.view.events.back(), "view:text");
  // Once the timer is off, a read of text switches back at once.
  f.view.chartVisible = true;
  f.Reads({B("shown")});
  EXPECT_EQ(f.view.events, (std::vector<std::string>{"samples:2", "green:kept", "green: also kept",
                                                     "view:text", "view:text", "green:shown"}));
}

TEST(CodePage, ConvertsTheNamedPagesAndFallsBack) {
  platform::CodePageConverter converter;
  const uint8_t euro[] = {0xA4};
  EXPECT_EQ(converter.ToUtf8(28605, euro, 1), "€");
  const uint8_t sjis[] = {0x93, 0xFA, 0x96, 0x7B};  // 日本
  EXPECT_EQ(converter.ToUtf8(932, sjis, 4), "日本");
  const uint8_t gbk[] = {0xD6, 0xD0};  // 中
  EXPECT_EQ(converter.ToUtf8(936, gbk, 2), "中");
  const uint8_t thai[] = {0xA1};  // ก
  EXPECT_EQ(converter.ToUtf8(874, thai, 1), "ก");
  const uint8_t utf8[] = {0xC3, 0xA4, 0xFF, 'x'};  // ä, an invalid byte, x
  EXPECT_EQ(converter.ToUtf8(65001, utf8, 4), "ä\xEF\xBF\xBDx");
  const uint8_t latin[] = {0xE9};
  EXPECT_EQ(converter.ToUtf8(4242, latin, 1), "é");
  EXPECT_FALSE(converter.converted());
  for (uint32_t page :
       {874u,   932u,   936u,   949u,   950u,   1250u,  1251u,  1252u,  1253u,  1254u,
        1255u,  1256u,  1257u,  1258u,  28591u, 28592u, 28593u, 28594u, 28595u, 28596u,
        28597u, 28598u, 28599u, 28600u, 28601u, 28603u, 28604u, 28605u, 65001u}) {
    SCOPED_TRACE(page);
    const uint8_t a[] = {'A'};
    EXPECT_EQ(converter.ToUtf8(page, a, 1), "A");
    EXPECT_TRUE(converter.converted());
  }
}

}  // namespace
}  // namespace vortik

namespace vortik {
namespace {

// The emulated tool at the wire pace on a real pseudo-terminal, the port open to it, and the
// window's receive tick every 100 ms until the capture's end frame (or maxTicks).
struct ToolOnPty {
  bool Open() { return test::OpenOnTool(tool, uart); }
  void TickUntilEnd(Fixture& f, int maxTicks) {
    const auto read = [this](uint8_t* buffer, int capacity) {
      return uart.RecvData(buffer, capacity);
    };
    const auto wait = [this](int timeoutMs) { return uart.WaitReadable(timeoutMs); };
    for (int tick = 0; tick < maxTicks; ++tick) {
      usleep(100000);
      f.receiver.UartReadTimerTimer(read, wait);
      if (!f.view.events.empty() && f.view.events.back() == "end") break;
    }
  }

  static sim::Options WireModel() {
    sim::Options options;
    options.wireModel = true;
    return options;
  }

  sim::ScanToolSim tool{WireModel()};
  TSyncUart uart;
};

// The emulated tool pushes its sample report and a capture in odd-sized frames at the wire pace
// over a real pseudo-terminal; ticks 100 ms apart take all of it.
TEST(StreamReceiver, TakesWhatTheToolPushesOverThePty) {
  ToolOnPty pty;
  ASSERT_TRUE(pty.Open());
  sim::ScanToolSim& tool = pty.tool;

  Fixture f;
  const std::vector<uint16_t> samples = sim::CaptureSamples(sim::CaptureShape::kRamp, 3000);
  tool.PushReport(sim::SampleReport());
  tool.Push(sim::CaptureFrames(samples, 777, true), 300);
  pty.TickUntilEnd(f, 40);
  ASSERT_TRUE(tool.WaitPushed(1000));
  EXPECT_EQ(tool.DroppedBytes(), 0u);
  ASSERT_FALSE(f.view.events.empty());
  EXPECT_EQ(f.view.events.back(), "end");
  Bytes expected;
  for (uint16_t v : samples) expected.insert(expected.end(), {uint8_t(v & 0xFF), uint8_t(v >> 8)});
  EXPECT_EQ(f.view.samples, expected);
  std::string report;
  for (const std::string& e : f.view.events) report += e + "\n";
  EXPECT_NE(report.find("Напряжение АКБ: 12.6 В"), std::string::npos) << report;
  EXPECT_NE(report.find("builtin:باترى سالم است"), std::string::npos);
  EXPECT_NE(report.find("red:Charging system: ripple high € check alternator"), std::string::npos);
  EXPECT_NE(report.find("4.62 mΩ"), std::string::npos);
  EXPECT_EQ(f.state.reportCodePage, 28605u);
}

// A tool pushing a long capture without pause at the full line rate, over a real terminal: the
// ticks take it whole, frames cut anywhere between reads. (The tool waits while the terminal
// is full, so the test does not depend on how quickly a loaded machine runs the ticks; how
// much a tool that cannot wait would lose is measured by the receiver benchmark.)
TEST(StreamReceiver, TakesAContinuousCaptureWhole) {
  ToolOnPty pty;
  ASSERT_TRUE(pty.Open());

  Fixture f;
  // About two seconds of the wire: 100 frames of 1,000 samples.
  const std::vector<uint16_t> samples = sim::CaptureSamples(sim::CaptureShape::kRamp, 100000);
  pty.tool.Push(sim::CaptureFrames(samples, 2000, true));
  pty.TickUntilEnd(f, 300);
  ASSERT_TRUE(pty.tool.WaitPushed(1000));
  ASSERT_FALSE(f.view.events.empty());
  EXPECT_EQ(f.view.events.back(), "end");
  EXPECT_EQ(f.view.samples.size(), samples.size() * 2);
}

}  // namespace
}  // namespace vortik

// The emulated Scan Tool: answers "@@" requests on a pseudo-terminal with "$$" replies, on its
// own thread, with a configurable identity, fault injection and an optional wire-time model.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/pty.h"
#include "sim_storage.h"

namespace vortik::sim {

// Who the tool says it is in its device-info reply and its ID.
struct Identity {
  enum class InfoForm { kShort50, kShort54, kLong };
  InfoForm form = InfoForm::kLong;
  std::string type = "TQ850";
  std::string subtype = "1.2";
  std::string romVersion = "1.0.0";
  std::string flashVersion = "1.0.0";
  uint16_t romBlockSize = 512;
  uint16_t flashBlockSize = 4096;
  // 500-family layout of the long form: six leading bytes whose bytes 2..4 read "500", then
  // every field shifted by 10.
  bool family500 = false;
  std::string familyTag = "TQ500 ";
  // Long form: 511 instead of a count means "no table".
  bool noPartTable = false;
  std::vector<std::array<uint8_t, 10>> parts;
  // When set, a last table entry of eight 0xFF bytes and this two-letter language code.
  std::optional<std::string> languageRecord;
  std::string id = "000000000001";  // 12 characters
};

// The identity the demo uses: an extended tool with a part table, one version behind the demo
// server's offer and with one FLASH part older than offered.
Identity DemoIdentity();
// A tool of the older family: the short device-info form, no part table, versions 1.0.0, asking
// the legacy server.
Identity LegacyIdentity();
// The device-info reply payload for an identity (exposed for tests of the decoder).
std::vector<uint8_t> DeviceInfoPayload(const Identity& identity);

enum class Fault {
  kSilent,      // no reply at all
  kBadStatus,   // status byte 1 (commands without a status byte: like kBadCrc)
  kBadCrc,      // one CRC bit flipped
  kWrongCode,   // reply code of another command
  kShortReply,  // the reply without its last byte
  kUnplug,      // the pseudo-terminal goes away instead of a reply
};

struct FaultRule {
  Fault fault = Fault::kSilent;
  uint16_t command = 0;  // request code it applies to; 0 = any
  int skip = 0;          // matching requests answered normally before it strikes
  int count = 1;         // matching requests it strikes; -1 = every one from then on
};

// The shape of a pushed voltage capture (samples in tenths of a volt).
enum class CaptureShape {
  kCranking,  // a resting battery, the dip of an engine start, then the charging voltage
  kRamp,      // 100, 101, ... wrapping after 200: every sample tells its own number
  kConstant,  // 125 throughout
};

// How the tool pushes what it sends unasked.
struct PushOptions {
  // Bytes per write; 0 writes each millisecond what the wire carried in it (wire model) or
  // everything at once (no wire model).
  size_t writeSize = 0;
  // A real adapter without flow control loses what arrives while its queue is full: when set,
  // bytes the terminal does not take at once are dropped and counted; otherwise the tool waits.
  bool dropWhenFull = false;
};

struct Options {
  std::string linkPath;    // when set, a symbolic link to the device is made there
  bool wireModel = false;  // pace requests and replies as at `baud`, 10 bits per byte
  uint32_t baud = 1000000;
  Identity identity;
  PushOptions push;
  // As a real tool does after an upgrade: once a burn has been followed by this long without
  // a request, the tool restarts: its terminal and link vanish for `restartDownMs` and come
  // back on a new terminal at the same link. 0 = never.
  int restartAfterBurnMs = 0;
  int restartDownMs = 2000;
  // Told on the tool's thread when the link goes (false) and comes back (true) by a restart.
  std::function<void(bool present)> onRestart;
};

// The sample report of the tool's battery test: colours, a line in code page 1251 and the
// built-in phrases, as the tool's bytes.
std::vector<uint8_t> SampleReport();
// `count` samples of a shape.
std::vector<uint16_t> CaptureSamples(CaptureShape shape, int count);
// The samples as WaveSamples frames of at most `payloadSize` bytes (any size from 1; an odd size
// splits samples between frames), then a WaveEnd frame when `withEnd`.
std::vector<uint8_t> CaptureFrames(const std::vector<uint16_t>& samples, int payloadSize,
                                   bool withEnd);

class ScanToolSim {
 public:
  explicit ScanToolSim(Options options = {});
  ~ScanToolSim();  // stops
  ScanToolSim(const ScanToolSim&) = delete;
  ScanToolSim& operator=(const ScanToolSim&) = delete;

  // Creates the pseudo-terminal and starts answering. False when the terminal cannot be made.
  bool Start();
  void Stop();
  bool running() const { return thread_.joinable(); }

  // What the application opens: the link when one was asked for, else the device.
  std::string path() const;

  void SetIdentity(const Identity& identity);
  Identity identity() const;
  void AddFault(const FaultRule& rule);
  void ClearFaults();
  // Pulls the plug now: the terminal (and its link) vanish.
  void Unplug();
  // Plugs in again after Unplug: a new terminal behind the same link. The stored images and
  // the identity stay. False when the terminal cannot be made.
  bool Replug();

  // Pushes bytes unasked, after what is already queued, at the wire pace when the wire model is
  // on. Returns at once; a thread of its own writes them.
  void Push(std::vector<uint8_t> bytes, int delayMs = 0);
  void PushReport(const std::vector<uint8_t>& text) { Push(text); }
  void PushCapture(const std::vector<uint16_t>& samples, int payloadSize, bool withEnd) {
    Push(CaptureFrames(samples, payloadSize, withEnd));
  }
  // Waits until everything pushed so far is written (or dropped); false after `timeoutMs`.
  bool WaitPushed(int timeoutMs);
  uint64_t PushedBytes() const { return pushed_; }    // written to the terminal
  uint64_t DroppedBytes() const { return dropped_; }  // lost while the terminal was full

  // Observations for tests.
  int RequestCount(uint16_t command) const;  // well-formed requests seen with that code
  int GarbageBytes() const;                  // bytes skipped while resynchronising
  std::vector<uint8_t> LastRequest(uint16_t command) const;
  // The gaps between a reply written whole and the first byte of the next request: how long
  // the other side took to answer, the terminal's two hand-overs included.
  struct Turnaround {
    uint64_t count = 0;
    uint64_t totalNs = 0;
    uint64_t maxNs = 0;
  };
  Turnaround RequestTurnaround() const;
  void ResetTurnaround();
  // The images burnt into the tool (it locks on its own).
  SimStorage& storage() { return storage_; }

 private:
  void Run();
  void HandleFrame(const uint8_t* frame, int length, uint64_t completeNs);
  std::vector<uint8_t> BuildReply(uint16_t command, const uint8_t* payload, int payloadLength);
  std::optional<Fault> TakeFault(uint16_t command);
  void SendReply(std::vector<uint8_t> reply, uint64_t notBeforeNs);
  void ClosePty();
  void PushLoop();
  void WritePushed(const uint8_t* bytes, size_t length);
  void Wake();
  // The restart of restartAfterBurnMs, on the tool's thread.
  void Restart();
  // With the terminal closed: waits `ms` (a stop ends the wait); false when stopped.
  bool StayUnplugged(int ms);
  // The demo's capture cut off by the plug (kCodeDemoPushCutCapture), on the tool's thread: part
  // of a capture pushed, the terminal closed in the middle of a frame, back after restartDownMs.
  void PushCutCapture();

  Options options_;
  mutable std::mutex mutex_;  // identity, faults, observations, pty
  std::vector<FaultRule> faults_;
  std::map<uint16_t, int> counts_;
  std::map<uint16_t, std::vector<uint8_t>> lastRequests_;
  int garbage_ = 0;
  uint64_t replyDoneNs_ = 0;  // when the last reply was written whole; 0 once a request came
  Turnaround turnaround_;
  SimStorage storage_;
  platform::Pty pty_;
  std::string path_;
  std::atomic<bool> stop_{false};
  int wakeFd_[2] = {-1, -1};
  std::thread thread_;

  // Pushed data: a queue of byte runs written by the push thread.
  std::mutex pushMutex_;
  std::condition_variable pushWake_;
  std::condition_variable pushDone_;
  struct PushRun {
    int delayMs;  // quiet time before it
    std::vector<uint8_t> bytes;
  };
  std::vector<PushRun> pushQueue_;
  bool pushBusy_ = false;
  bool pushStop_ = false;
  std::thread pushThread_;
  std::atomic<uint64_t> pushed_{0};
  std::atomic<uint64_t> dropped_{0};
};

}  // namespace vortik::sim

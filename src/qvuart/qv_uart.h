// TqvUart: the threaded serial component. A read thread moves every byte the device receives
// into a receive ring and a write thread drains a transmit ring into the device, so callers only
// copy bytes in and out and sending never blocks; modem-line changes and the component's own
// errors arrive as events.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "device/comm_port.h"
#include "platform/event_fd.h"
#include "platform/serial_port.h"
#include "platform/thread.h"
#include "qvuart/byte_ring.h"

namespace vortik {

// Flow control: 3 hardware (RTS/CTS), 4 or 5 software (XON/XOFF), 6 both, anything else none.
using TFlowControl = uint8_t;

// Event-mask bits; OnCommStatusChanged's Index holds those of the lines that changed.
inline constexpr int kEvRxChar = 0x0001;
inline constexpr int kEvCts = 0x0008;
inline constexpr int kEvDsr = 0x0010;
inline constexpr int kEvRlsd = 0x0020;
inline constexpr int kEvErr = 0x0080;
inline constexpr int kEvRing = 0x0100;

// Codes of OnCommError; CommErrorText gives each its text.
enum CommErrorCode : int {
  kCommNoError = 0,
  kCommOutOfMemory = 1,
  kCommReadBuffer = 2,
  kCommWriteBuffer = 3,
  kCommOpenPort = 4,
  kCommSetMask = 5,
  kCommQueueSize = 6,
  kCommGetState = 7,
  kCommSetState = 8,
  kCommReadEvent = 9,
  kCommWriteEvent = 10,
  kCommReadThread = 11,
  kCommWriteThread = 12,
  kCommCloseReadThread = 13,
  kCommCloseWriteThread = 14,
};
const char* CommErrorText(int code);

class TqvUart : public CommPortBase {
 public:
  using CommErrorEvent =
      std::function<void(TqvUart& sender, int errCode, const std::string& errMsg)>;
  using CommStatusEvent = std::function<void(TqvUart& sender, int index)>;
  // Runs a task on the owner's thread later (the ui passes one that posts to its event loop).
  // The owner destroys the component on that same thread; tasks that run after it is gone do
  // nothing. Without a dispatcher OnCommStatusChanged runs on the thread that saw the change;
  // it may still close, reopen or reconfigure the port there.
  using Dispatcher = std::function<void(std::function<void()> task)>;

  static constexpr int kDefaultBlockSize = 8196;  // capacity 8176
  static constexpr size_t kWriteBlock = 2048;     // at most this much per write to the device
  static constexpr int kSmallestBlockSize = ByteRing::kSmallestBlockSize;

  explicit TqvUart(Dispatcher dispatcher = {});
  // Closes the port, then stops and joins both threads before the rings go.
  ~TqvUart() override;

  // Properties beyond the shared ones.
  bool Active() const override { return active_.load(); }
  bool CTS() const { return cts_.load(); }
  bool DSR() const { return dsr_.load(); }
  bool RING() const { return ring_.load(); }
  bool RLSD() const { return rlsd_.load(); }
  // Capacities of the rings. Writing a block size s replaces the ring by an empty one of
  // capacity s - 20; refused (the ring stays, OnCommError tells) while the port is open or for
  // s below kSmallestBlockSize (a ring keeps one byte free, so capacity 1 would hold nothing).
  int InBufSize() const;
  int OutBufSize() const;
  void fSetInBufSize(int blockSize);
  void fSetOutBufSize(int blockSize);
  void fSetOnCommError(CommErrorEvent handler);
  void fSetOnCommStatusChanged(CommStatusEvent handler);
  TFlowControl fGetFCtrl() const;
  // Maps the value onto the settings record and applies it at once when the port is open.
  void fSetFCtrl(TFlowControl value);

  // The first Open starts the two threads; they then run until destruction.
  bool Open() override;
  void Close() override;
  bool ApplyCommSettings() override;
  // The settings the device has now (the record where the device has no equivalent).
  bool GetUartState(CommSettings& state) const;
  // Parity space (true) or mark (false); when that changes it and the port is open, the port
  // is closed and opened again. Sends a ninth data bit through the parity bit.
  void ToggleParity(bool space);

  // Bytes accepted into the transmit ring (the caller offers the rest again); 0 when closed.
  int SendData(const uint8_t* data, int length);
  int SendString(std::string_view text);
  // Bytes taken from the receive ring; never waits.
  int RecvData(uint8_t* buffer, int capacity);
  // Bytes waiting in the receive ring.
  int RecvAvailable() const;
  // Empties the receive side, sends `tx` and collects up to rxLength bytes until all are in or
  // timeoutMs passed. Between passes it waits 100 ms while more than 100 ms remain, 10 ms while
  // more than 10 ms remain, else 1 ms (a wait ends early when bytes arrive), and lets pending
  // window events run. A request longer than the ring's room is offered again on each pass.
  uint32_t SyncRequest(const uint8_t* tx, uint32_t txLength, uint8_t* rx, uint32_t rxLength,
                       uint32_t timeoutMs);
  // Empty the device's queue and the ring of that side; with `abort` the write thread also
  // drops the block it is writing.
  void PurgeRead(bool abort);
  void PurgeWrite(bool abort);
  // Calls OnCommError with the code and its text, if one is assigned.
  void NotifyCommError(int code);

  // Tests: the clock SyncRequest reads and the wait between its passes.
  using TickFn = std::function<uint32_t()>;
  using WaitFn = std::function<void(uint32_t ms)>;
  void SetSyncClock(TickFn now, WaitFn wait);

 protected:
  // A change of the input lines: stores them and, when a handler is assigned, delivers
  // OnCommStatusChanged(mask) through the dispatcher. Runs on the thread that saw the change.
  void ModemLinesChanged(int mask, const platform::ModemLines& now);
  // The device's input lines; false for a device without them (no watcher is started).
  virtual bool ReadModemLines(platform::SerialPort& port, platform::ModemLines& lines);
  // The watcher thread's body: reports line changes until `stop` is set.
  virtual void WatchModemLines(platform::SerialPort& port, const std::atomic<bool>& stop);
  // On the write thread, between taking a block from the transmit ring and writing it.
  virtual void WriteBlockTaken() {}

 private:
  platform::SerialPort* Device() override { return port_.get(); }
  bool StartWorkers();
  void ReplaceRing(std::mutex& mutex, std::unique_ptr<ByteRing>& ring, int blockSize, int code);
  void ReadLoop();
  void ReadWhileOpen(platform::SerialPort& port);
  void WriteLoop();
  void WriteOut(platform::SerialPort& port, const uint8_t* data, size_t length, uint64_t purges);
  // Stops the modem-line watcher and joins it, or, on the watcher's own thread (a status
  // handler closing the port), leaves it to end when the handler returns and joins it later.
  void StopWatcher();
  uint64_t ActivitySeen();
  void NoteActivity();
  void WaitForActivity(uint64_t seen, uint32_t ms);

  Dispatcher dispatcher_;
  // Cleared by the destructor; tasks already handed to the dispatcher look at it.
  std::shared_ptr<std::atomic<bool>> alive_;

  mutable std::mutex handlersMutex_;
  CommErrorEvent onError_;
  CommStatusEvent onStatus_;

  // The device. Only the owner replaces it, and only while no worker is on it.
  std::mutex portMutex_;
  std::condition_variable portReleased_;
  std::unique_ptr<platform::SerialPort> port_;
  std::atomic<bool> active_{false};
  bool readerOnPort_ = false;
  bool writerOnPort_ = false;

  std::atomic<bool> cts_{false};
  std::atomic<bool> dsr_{false};
  std::atomic<bool> ring_{false};
  std::atomic<bool> rlsd_{false};

  mutable std::mutex rxMutex_;
  std::unique_ptr<ByteRing> rx_;
  bool readerWantsRoom_ = false;  // the read thread waits for RecvData to make room
  mutable std::mutex txMutex_;
  std::unique_ptr<ByteRing> tx_;
  std::atomic<uint64_t> txAborts_{0};  // PurgeWrite(true) count: the block in flight is void

  // Bytes moved by either thread; SyncRequest's waits end on it.
  std::mutex activityMutex_;
  std::condition_variable activityChanged_;
  uint64_t activity_ = 0;

  TickFn now_;
  WaitFn wait_;

  platform::EventFd quit_;                          // set once, by the destructor
  platform::EventFd readWake_;                      // open, close, or room made in the receive ring
  platform::EventFd writeRequest_;                  // bytes in the transmit ring, close, abort
  std::shared_ptr<std::atomic<bool>> watcherStop_;  // the running watcher's own stop flag
  platform::Thread reader_;
  platform::Thread writer_;
  platform::Thread watcher_;         // modem lines, while open on a device that has them
  platform::Thread retiredWatcher_;  // stopped from its own thread; joined later
};

}  // namespace vortik

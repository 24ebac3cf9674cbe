// TSyncUart: the serial port to the Scan Tool with blocking send/receive and the synchronous
// request/reply exchange; port numbers map to device paths through the port table.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "device/comm_port.h"

namespace vortik {

inline constexpr uint32_t kDriverQueueSize = 2048;
// The least time between two runs of pending window events inside a wait for a reply.
inline constexpr uint32_t kEventPumpIntervalMs = 8;

class TSyncUart : public CommPortBase {
 public:
  TSyncUart();
  ~TSyncUart() override;

  bool Active() const override { return active_; }

  bool Open() override;
  void Close() override;
  bool ApplyCommSettings() override;
  int SendData(const uint8_t* data, int length);
  int RecvData(uint8_t* buffer, int capacity);
  // Waits at most timeoutMs for bytes to read; false on timeout, error or no open port.
  bool WaitReadable(int timeoutMs) const;
  // Sends `tx` (after emptying the receive queue) and collects up to rxLength bytes until they
  // are all in or timeoutMs has passed; between reads it waits in poll() on the port for at
  // most intervalMs, running pending window events after each wait. Returns bytes received.
  uint32_t SyncRequest(const uint8_t* tx, uint32_t txLength, uint8_t* rx, uint32_t rxLength,
                       uint32_t timeoutMs, uint32_t intervalMs);
  // The same, but it also ends as soon as `complete` says the bytes in hand are a whole reply
  // (for replies whose length is only known from their own header).
  using ReplyComplete = std::function<bool(const uint8_t* rx, uint32_t received)>;
  uint32_t SyncRequestUntil(const uint8_t* tx, uint32_t txLength, uint8_t* rx, uint32_t rxLength,
                            uint32_t timeoutMs, uint32_t intervalMs, const ReplyComplete& complete);
  // The two halves of SyncRequestUntil, for a caller with work to do while the reply is on its
  // way. SendRequest sends `tx`, emptying the receive queue first only when `purge` is set (a
  // caller whose last exchange ended cleanly knows nothing stale is waiting); CollectReply then
  // collects as SyncRequestUntil does, its time-out counted from `startMs` (platform
  // TickCountMs taken before the request was sent).
  int SendRequest(const uint8_t* tx, uint32_t txLength, bool purge);
  uint32_t CollectReply(uint32_t startMs, uint8_t* rx, uint32_t rxLength, uint32_t timeoutMs,
                        uint32_t intervalMs, const ReplyComplete& complete = nullptr);
  void PurgeRead(bool abort);
  void PurgeWrite(bool abort);
  // true: wait until this thread owns the port's lock (recursive); false: release one level.
  void Lock(bool on);

 private:
  platform::SerialPort* Device() override { return port_.get(); }
  void CloseHandle();
  // Runs pending window events, but not again within kEventPumpIntervalMs: a wait for a short
  // reply would otherwise pump the window for every block of a burn.
  void PumpEvents();

  std::unique_ptr<platform::SerialPort> port_;  // null while there is no handle
  bool active_ = false;
  uint32_t lastPumpMs_ = 0;
  bool pumped_ = false;

  std::mutex lockMutex_;
  std::condition_variable lockFree_;
  std::thread::id lockOwner_;
  int lockDepth_ = 0;
};

}  // namespace vortik

#include "device/sync_uart.h"

#include <algorithm>
#include <climits>

#include "platform/clock.h"
#include "platform/serial_port.h"

namespace vortik {

namespace {
// Port number under the upper-case spelling, line values under the mixed one; read back through
// the upper-case one.
const char kKeyUpper[] = "SOFTWARE\\QUORVANE\\";
const char kKeyMixed[] = "SOFTWARE\\Quorvane\\";
}  // namespace

TSyncUart::TSyncUart() : CommPortBase({kKeyUpper, kKeyMixed, kKeyUpper}) {}

TSyncUart::~TSyncUart() {
  if (active_) Close();
  CloseHandle();
}

// --- open, close, apply -----------------------------------------------------------------------

bool TSyncUart::Open() {
  if (active_) return true;
  if (PortNO() <= 0) return false;
  if (!port_) {
    const std::string path = DevicePath();
    if (path.empty()) return false;
    auto port = std::make_unique<platform::SerialPort>();
    if (!port->Open(path)) return false;
    port_ = std::move(port);
  }
  // The driver's queues are fixed by the tty layer; nothing to size here.
  LoadLinesFromRecord();
  if (ApplyCommSettings()) {
    active_ = true;
  } else {
    CloseHandle();
  }
  return active_;
}

void TSyncUart::Close() {
  if (!active_) return;
  active_ = false;
  CloseHandle();
  LoadLinesFromRecord();
}

void TSyncUart::CloseHandle() {
  port_.reset();
}

bool TSyncUart::ApplyCommSettings() {
  if (!port_) return true;
  return ApplyRecord(*port_, true);
}

// --- transfer ---------------------------------------------------------------------------------

int TSyncUart::SendData(const uint8_t* data, int length) {
  if (!active_ || data == nullptr || length <= 0) return 0;
  int written = 0;
  for (;;) {
    const int piece = std::min<int>(length - written, static_cast<int>(kDriverQueueSize));
    const size_t n = port_->Write(data + written, static_cast<size_t>(piece));
    written += static_cast<int>(n);
    if (n != static_cast<size_t>(piece) || written >= length) break;
    RunPendingEvents();
    if (!active_ || !port_) break;  // a handler closed the port
  }
  return written;
}

int TSyncUart::RecvData(uint8_t* buffer, int capacity) {
  if (!port_ || buffer == nullptr || capacity <= 0) return 0;
  // The port is non-blocking: a read takes what is queued, up to the capacity, and nothing
  // when the queue is empty, so no count of queued bytes is needed first.
  const int n = port_->Read(buffer, static_cast<size_t>(capacity));
  return n > 0 ? n : 0;
}

bool TSyncUart::WaitReadable(int timeoutMs) const {
  return port_ && port_->WaitReadable(timeoutMs) == platform::WaitResult::kReady;
}

uint32_t TSyncUart::SyncRequest(const uint8_t* tx, uint32_t txLength, uint8_t* rx,
                                uint32_t rxLength, uint32_t timeoutMs, uint32_t intervalMs) {
  return SyncRequestUntil(tx, txLength, rx, rxLength, timeoutMs, intervalMs, nullptr);
}

uint32_t TSyncUart::SyncRequestUntil(const uint8_t* tx, uint32_t txLength, uint8_t* rx,
                                     uint32_t rxLength, uint32_t timeoutMs, uint32_t intervalMs,
                                     const ReplyComplete& complete) {
  const uint32_t start = platform::TickCountMs();
  // Stale bytes of earlier traffic are dropped.
  SendRequest(tx, txLength, true);
  return CollectReply(start, rx, rxLength, timeoutMs, intervalMs, complete);
}

int TSyncUart::SendRequest(const uint8_t* tx, uint32_t txLength, bool purge) {
  if (tx == nullptr || txLength == 0) return 0;
  if (purge) PurgeRead(false);
  return SendData(tx, static_cast<int>(std::min<uint32_t>(txLength, INT_MAX)));
}

uint32_t TSyncUart::CollectReply(uint32_t startMs, uint8_t* rx, uint32_t rxLength,
                                 uint32_t timeoutMs, uint32_t intervalMs,
                                 const ReplyComplete& complete) {
  const int waitMs = static_cast<int>(std::min<uint32_t>(intervalMs, INT_MAX));
  uint32_t received = 0;
  for (;;) {
    // Wait for the next bytes, but no longer than one poll interval. Without a readable port
    // (closed, or the device hung up) the interval is slept instead. A wait that ended without
    // bytes leaves nothing to read.
    const platform::WaitResult wait =
        port_ ? port_->WaitReadable(waitMs) : platform::WaitResult::kError;
    if (wait == platform::WaitResult::kError) platform::SleepMs(intervalMs);
    PumpEvents();
    bool readNothing = false;
    if (wait == platform::WaitResult::kReady && rx != nullptr && received < rxLength) {
      const uint32_t space = std::min<uint32_t>(rxLength - received, INT_MAX);
      const int got = RecvData(rx + received, static_cast<int>(space));
      received += static_cast<uint32_t>(got);
      readNothing = got == 0;
    }
    const int32_t left = static_cast<int32_t>(startMs + timeoutMs - platform::TickCountMs());
    if (left <= 0 || received >= rxLength) break;
    if (complete && received > 0 && complete(rx, received)) break;
    // Readable but nothing to read: a device that hung up (an unplugged tool) reads as ended at
    // once, every time. Up to an interval of the time left is slept, so that the wait does not
    // spin the processor.
    if (readNothing) platform::SleepMs(std::min<uint32_t>(intervalMs, static_cast<uint32_t>(left)));
  }
  return received;
}

void TSyncUart::PumpEvents() {
  const uint32_t now = platform::TickCountMs();
  if (pumped_ && now - lastPumpMs_ < kEventPumpIntervalMs) return;
  pumped_ = true;
  lastPumpMs_ = now;
  RunPendingEvents();
}

void TSyncUart::PurgeRead(bool /*abort*/) {
  // Reads never block here, so there is no pending read to abandon.
  if (active_ && port_) port_->PurgeRead();
}

void TSyncUart::PurgeWrite(bool /*abort*/) {
  if (active_ && port_) port_->PurgeWrite();
}

void TSyncUart::Lock(bool on) {
  std::unique_lock<std::mutex> guard(lockMutex_);
  const std::thread::id self = std::this_thread::get_id();
  if (on) {
    lockFree_.wait(guard, [&] { return lockDepth_ == 0 || lockOwner_ == self; });
    lockOwner_ = self;
    ++lockDepth_;
  } else if (lockDepth_ > 0 && lockOwner_ == self) {
    if (--lockDepth_ == 0) {
      lockOwner_ = std::thread::id();
      lockFree_.notify_all();
    }
  }
}

}  // namespace vortik

#include "qvuart/qv_uart.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <vector>

#include "platform/clock.h"

namespace vortik {

namespace {

// Both keys under the mixed-case spelling (the store compares names without regard to case).
const char kKeyRoot[] = "SOFTWARE\\Quorvane\\";

// How long the read thread waits for room in a full receive ring before it looks again.
constexpr int kRoomWaitMs = 1000;

int ClampToInt(uint32_t value) {
  return static_cast<int>(std::min<uint32_t>(value, INT_MAX));
}

// The lines whose state (ModemLines) or change count (ModemCounts) differs.
template <class PerLine>
int ChangeMask(const PerLine& before, const PerLine& after) {
  int mask = 0;
  if (before.cts != after.cts) mask |= kEvCts;
  if (before.dsr != after.dsr) mask |= kEvDsr;
  if (before.rlsd != after.rlsd) mask |= kEvRlsd;
  if (before.ring != after.ring) mask |= kEvRing;
  return mask;
}

}  // namespace

const char* CommErrorText(int code) {
  switch (code) {
    case kCommNoError:
      return "no error";
    case kCommOutOfMemory:
      return "Out of memory";
    case kCommReadBuffer:
      return "Cannot initialize read buffer";
    case kCommWriteBuffer:
      return "Cannot initialize write buffer";
    case kCommOpenPort:
      return "Cannot open COM port";
    case kCommSetMask:
      return "Cannot set comm-mask";
    case kCommQueueSize:
      return "Cannot set COM port buffer size";
    case kCommGetState:
      return "Cannot read COM port parameters";
    case kCommSetState:
      return "Cannot set COM port parameters";
    case kCommReadEvent:
      return "Cannot create COM port asynchronize read event";
    case kCommWriteEvent:
      return "Cannot create COM port asynchronize write event";
    case kCommReadThread:
      return "Cannot create COM port read thread";
    case kCommWriteThread:
      return "Cannot create COM port write thread";
    case kCommCloseReadThread:
      return "Cannot close COM port read thread";
    case kCommCloseWriteThread:
      return "Cannot close COM port write thread";
    default:
      return "Unknown error";
  }
}

TqvUart::TqvUart(Dispatcher dispatcher)
    : CommPortBase({kKeyRoot, kKeyRoot, kKeyRoot}),
      dispatcher_(std::move(dispatcher)),
      alive_(std::make_shared<std::atomic<bool>>(true)),
      rx_(ByteRing::Create(kDefaultBlockSize)),
      tx_(ByteRing::Create(kDefaultBlockSize)) {}

TqvUart::~TqvUart() {
  alive_->store(false);
  Close();
  retiredWatcher_.InterruptAndJoin();
  // The threads go before the rings and the events they wait on.
  quit_.Signal();
  reader_.Join();
  writer_.Join();
}

// --- properties -------------------------------------------------------------------------------

int TqvUart::InBufSize() const {
  std::lock_guard<std::mutex> lock(rxMutex_);
  return rx_ ? static_cast<int>(rx_->capacity()) : 0;
}

int TqvUart::OutBufSize() const {
  std::lock_guard<std::mutex> lock(txMutex_);
  return tx_ ? static_cast<int>(tx_->capacity()) : 0;
}

void TqvUart::fSetInBufSize(int blockSize) {
  ReplaceRing(rxMutex_, rx_, blockSize, kCommReadBuffer);
}

void TqvUart::fSetOutBufSize(int blockSize) {
  ReplaceRing(txMutex_, tx_, blockSize, kCommWriteBuffer);
}

void TqvUart::ReplaceRing(std::mutex& mutex, std::unique_ptr<ByteRing>& ring, int blockSize,
                          int code) {
  // The threads own a ring's bytes while the port is open; a ring with no data room is useless.
  if (Active() || blockSize < kSmallestBlockSize) {
    NotifyCommError(code);
    return;
  }
  std::unique_ptr<ByteRing> fresh = ByteRing::Create(blockSize);
  if (!fresh) {
    NotifyCommError(kCommOutOfMemory);
    return;
  }
  std::lock_guard<std::mutex> lock(mutex);
  ring.swap(fresh);
}

void TqvUart::fSetOnCommError(CommErrorEvent handler) {
  std::lock_guard<std::mutex> lock(handlersMutex_);
  onError_ = std::move(handler);
}

void TqvUart::fSetOnCommStatusChanged(CommStatusEvent handler) {
  std::lock_guard<std::mutex> lock(handlersMutex_);
  onStatus_ = std::move(handler);
}

TFlowControl TqvUart::fGetFCtrl() const {
  if (settings_.outxCtsFlow && settings_.outX) return 6;
  if (settings_.outxCtsFlow) return 3;
  if (settings_.outX) return 4;
  return 0;
}

void TqvUart::fSetFCtrl(TFlowControl value) {
  const bool hardware = value == 3 || value == 6;
  const bool software = value == 4 || value == 5 || value == 6;
  settings_.outxCtsFlow = hardware;
  settings_.rtsControl = hardware ? LineControl::kHandshake : LineControl::kEnable;
  settings_.outX = software;
  settings_.inX = software;
  settings_.dtrControl = LineControl::kEnable;
  settings_.outxDsrFlow = false;
  if (Active()) ApplyCommSettings();
}

void TqvUart::NotifyCommError(int code) {
  CommErrorEvent handler;
  {
    std::lock_guard<std::mutex> lock(handlersMutex_);
    handler = onError_;
  }
  if (handler) handler(*this, code, CommErrorText(code));
}

void TqvUart::SetSyncClock(TickFn now, WaitFn wait) {
  now_ = std::move(now);
  wait_ = std::move(wait);
}

// --- open, close, settings --------------------------------------------------------------------

bool TqvUart::StartWorkers() {
  if (!quit_.Open() || !readWake_.Open()) {
    NotifyCommError(kCommReadEvent);
    return false;
  }
  if (!writeRequest_.Open()) {
    NotifyCommError(kCommWriteEvent);
    return false;
  }
  if (!reader_.Started() && !reader_.Start([this] { ReadLoop(); })) {
    NotifyCommError(kCommReadThread);
    return false;
  }
  if (!writer_.Started() && !writer_.Start([this] { WriteLoop(); })) {
    NotifyCommError(kCommWriteThread);
    return false;
  }
  return true;
}

bool TqvUart::Open() {
  if (Active()) return true;
  if (PortNO() <= 0) return false;
  if (!rx_ || !tx_) {
    NotifyCommError(kCommOutOfMemory);
    return false;
  }
  if (!StartWorkers()) return false;
  const std::string path = DevicePath();
  auto port = std::make_unique<platform::SerialPort>();
  if (path.empty() || !port->Open(path)) {
    NotifyCommError(kCommOpenPort);
    return false;
  }
  // The tty layer's queues have a fixed size: there is nothing to set up for them.
  LoadLinesFromRecord();
  if (!ApplyRecord(*port, false)) return false;

  platform::ModemLines lines;
  const bool hasLines = ReadModemLines(*port, lines);
  cts_ = lines.cts;
  dsr_ = lines.dsr;
  ring_ = lines.ring;
  rlsd_ = lines.rlsd;
  // Only a device with modem lines can report their changes (a pseudo-terminal has none).
  if (hasLines) {
    StopWatcher();  // one that a status handler stopped may still be ending
    watcherStop_ = std::make_shared<std::atomic<bool>>(false);
    platform::SerialPort* device = port.get();
    if (!watcher_.Start([this, device, stop = watcherStop_] { WatchModemLines(*device, *stop); })) {
      NotifyCommError(kCommSetMask);
      return false;
    }
  }
  {
    std::lock_guard<std::mutex> lock(portMutex_);
    port_ = std::move(port);
    active_ = true;
  }
  readWake_.Signal();
  return true;
}

void TqvUart::Close() {
  if (!Active()) return;
  {
    std::lock_guard<std::mutex> lock(portMutex_);
    active_ = false;
  }
  {
    // A block the write thread has taken but not yet written is void: it must not go out
    // after a reopen, with other settings or to another device.
    std::lock_guard<std::mutex> lock(txMutex_);
    tx_->Clear();
    ++txAborts_;
  }
  StopWatcher();
  // Both threads leave the device before its descriptor is closed.
  readWake_.Signal();
  writeRequest_.Signal();
  std::unique_ptr<platform::SerialPort> closing;
  {
    std::unique_lock<std::mutex> lock(portMutex_);
    portReleased_.wait(lock, [this] { return !readerOnPort_ && !writerOnPort_; });
    closing = std::move(port_);
  }
  closing.reset();
  LoadLinesFromRecord();
  {
    std::lock_guard<std::mutex> lock(txMutex_);
    tx_->Clear();
  }
  {
    std::lock_guard<std::mutex> lock(rxMutex_);
    rx_->Clear();
  }
}

bool TqvUart::ApplyCommSettings() {
  if (!port_) return true;
  return ApplyRecord(*port_, false);
}

bool TqvUart::GetUartState(CommSettings& state) const {
  platform::SerialLine line;
  if (!port_ || !port_->ReadLine(line)) return false;
  state = settings_;
  state.baudRate = line.baud;
  state.parity = static_cast<TCommParity>(line.parity);
  state.byteSize = static_cast<uint8_t>(line.dataBits);
  state.stopBits = line.stopBits == platform::SerialStopBits::kTwo ? sb2BITS : sb1BITS;
  state.outxCtsFlow = line.rtsCts;
  if (line.rtsCts) {
    state.rtsControl = LineControl::kHandshake;
  } else if (state.rtsControl == LineControl::kHandshake) {
    state.rtsControl = LineControl::kEnable;
  }
  state.outX = line.xonXoffOut;
  state.inX = line.xonXoffIn;
  state.xonChar = line.xonChar;
  state.xoffChar = line.xoffChar;
  return true;
}

void TqvUart::ToggleParity(bool space) {
  const TCommParity parity = space ? ptSPACE : ptMARK;
  if (settings_.parity == parity) return;
  settings_.parity = parity;
  if (Active()) {
    Close();
    Open();
  }
}

void TqvUart::StopWatcher() {
  if (watcherStop_) *watcherStop_ = true;
  if (!retiredWatcher_.IsCurrent()) retiredWatcher_.InterruptAndJoin();
  if (watcher_.IsCurrent()) {
    // A status handler on the watcher's thread: the watcher ends once the handler returns.
    retiredWatcher_ = std::move(watcher_);
  } else {
    watcher_.InterruptAndJoin();
  }
}

// --- transfer ---------------------------------------------------------------------------------

int TqvUart::SendData(const uint8_t* data, int length) {
  if (data == nullptr || length <= 0 || !Active()) return 0;
  size_t accepted;
  {
    std::lock_guard<std::mutex> lock(txMutex_);
    accepted = tx_->Write(data, static_cast<size_t>(length));
  }
  if (accepted > 0) writeRequest_.Signal();
  return static_cast<int>(accepted);
}

int TqvUart::SendString(std::string_view text) {
  return SendData(reinterpret_cast<const uint8_t*>(text.data()),
                  static_cast<int>(std::min<size_t>(text.size(), INT_MAX)));
}

int TqvUart::RecvData(uint8_t* buffer, int capacity) {
  if (buffer == nullptr || capacity <= 0) return 0;
  size_t taken;
  bool wakeReader = false;
  {
    std::lock_guard<std::mutex> lock(rxMutex_);
    if (!rx_) return 0;
    taken = rx_->Read(buffer, static_cast<size_t>(capacity));
    if (taken > 0 && readerWantsRoom_) {
      readerWantsRoom_ = false;
      wakeReader = true;
    }
  }
  if (wakeReader) readWake_.Signal();
  return static_cast<int>(taken);
}

int TqvUart::RecvAvailable() const {
  std::lock_guard<std::mutex> lock(rxMutex_);
  return rx_ ? static_cast<int>(rx_->size()) : 0;
}

uint32_t TqvUart::SyncRequest(const uint8_t* tx, uint32_t txLength, uint8_t* rx, uint32_t rxLength,
                              uint32_t timeoutMs) {
  const TickFn now = now_ ? now_ : TickFn(platform::TickCountMs);
  const uint32_t deadline = now() + timeoutMs;
  PurgeRead(false);
  uint64_t seen = ActivitySeen();
  uint32_t sent = 0;
  // A request longer than the transmit ring's room goes in as room is made.
  auto offer = [&] {
    if (tx != nullptr && sent < txLength) {
      sent += static_cast<uint32_t>(SendData(tx + sent, ClampToInt(txLength - sent)));
    }
  };
  offer();
  uint32_t received = 0;
  int64_t remaining = timeoutMs;  // before the first pass the whole time-out counts
  for (;;) {
    const uint32_t pause = remaining > 100 ? 100 : (remaining > 10 ? 10 : 1);
    if (wait_) {
      wait_(pause);
    } else {
      WaitForActivity(seen, pause);
    }
    RunPendingEvents();
    seen = ActivitySeen();
    offer();
    if (rx != nullptr && received < rxLength) {
      received += static_cast<uint32_t>(RecvData(rx + received, ClampToInt(rxLength - received)));
    }
    remaining = static_cast<int32_t>(deadline - now());
    if (remaining <= 0 || received >= rxLength) break;
  }
  return received;
}

void TqvUart::PurgeRead(bool /*abort*/) {
  if (!Active()) return;
  bool wakeReader = false;
  {
    // Under the ring's lock, so that no read of the thread lands between the two.
    std::lock_guard<std::mutex> lock(rxMutex_);
    port_->PurgeRead();
    rx_->Clear();
    wakeReader = readerWantsRoom_;
    readerWantsRoom_ = false;
  }
  // The read thread never has a read pending; it only needs to hear of the room.
  if (wakeReader) readWake_.Signal();
}

void TqvUart::PurgeWrite(bool abort) {
  if (!Active()) return;
  {
    std::lock_guard<std::mutex> lock(txMutex_);
    tx_->Clear();
    port_->PurgeWrite();
    if (abort) ++txAborts_;
  }
  if (abort) writeRequest_.Signal();
}

// --- activity ---------------------------------------------------------------------------------

uint64_t TqvUart::ActivitySeen() {
  std::lock_guard<std::mutex> lock(activityMutex_);
  return activity_;
}

void TqvUart::NoteActivity() {
  {
    std::lock_guard<std::mutex> lock(activityMutex_);
    ++activity_;
  }
  activityChanged_.notify_all();
}

void TqvUart::WaitForActivity(uint64_t seen, uint32_t ms) {
  std::unique_lock<std::mutex> lock(activityMutex_);
  activityChanged_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return activity_ != seen; });
}

// --- read thread ------------------------------------------------------------------------------

void TqvUart::ReadLoop() {
  for (;;) {
    platform::SerialPort* port = nullptr;
    {
      std::lock_guard<std::mutex> lock(portMutex_);
      if (active_ && port_) {
        port = port_.get();
        readerOnPort_ = true;
      }
    }
    if (port != nullptr) {
      ReadWhileOpen(*port);
      {
        std::lock_guard<std::mutex> lock(portMutex_);
        readerOnPort_ = false;
      }
      portReleased_.notify_all();
    } else if (platform::WaitForEvents({&quit_, &readWake_}, -1) == 1) {
      readWake_.Clear();  // cleared before the state is looked at again: no wake-up is lost
    }
    if (quit_.IsSignalled()) return;
  }
}

void TqvUart::ReadWhileOpen(platform::SerialPort& port) {
  bool hungUp = false;
  while (active_ && !quit_.IsSignalled()) {
    platform::PortWait wait;
    if (hungUp) {
      // The device is gone: nothing comes any more until the owner closes the port.
      wait = platform::WaitForEvents({&quit_, &readWake_}, -1) >= 0 ? platform::PortWait::kEvent
                                                                    : platform::PortWait::kTimeout;
    } else {
      bool full;
      {
        std::lock_guard<std::mutex> lock(rxMutex_);
        full = rx_->room() == 0;
        readerWantsRoom_ = full;
      }
      if (full) {
        wait = platform::WaitForEvents({&quit_, &readWake_}, kRoomWaitMs) >= 0
                   ? platform::PortWait::kEvent
                   : platform::PortWait::kTimeout;
      } else {
        wait = port.WaitReadableOr({&quit_, &readWake_}, -1);
      }
    }
    if (wait == platform::PortWait::kEvent) {
      readWake_.Clear();
      continue;
    }
    if (wait == platform::PortWait::kError) {
      hungUp = true;
      continue;
    }
    if (wait != platform::PortWait::kReady) continue;
    int n;
    {
      // Straight into the ring, under its lock, so a purge never splits a read.
      std::lock_guard<std::mutex> lock(rxMutex_);
      std::span<uint8_t> free = rx_->FreeSpan();
      if (free.empty()) continue;
      n = port.Read(free.data(), free.size());
      if (n > 0) rx_->Commit(static_cast<size_t>(n));
    }
    if (n > 0) NoteActivity();
    if (n < 0) hungUp = true;
  }
}

// --- write thread -----------------------------------------------------------------------------

void TqvUart::WriteLoop() {
  std::vector<uint8_t> block(kWriteBlock);
  for (;;) {
    if (platform::WaitForEvents({&quit_, &writeRequest_}, -1) != 1) {
      if (quit_.IsSignalled()) return;
      continue;
    }
    writeRequest_.Clear();
    // Passes until the ring is empty: one block per pass.
    for (;;) {
      size_t length;
      uint64_t aborts;
      {
        std::lock_guard<std::mutex> lock(txMutex_);
        length = tx_->Read(block.data(), block.size());
        aborts = txAborts_;
      }
      if (length == 0) break;
      NoteActivity();  // room in the transmit ring
      platform::SerialPort* port = nullptr;
      WriteBlockTaken();
      {
        std::lock_guard<std::mutex> lock(portMutex_);
        if (active_ && port_ && txAborts_ == aborts) {
          port = port_.get();
          writerOnPort_ = true;
        }
      }
      if (port == nullptr) continue;  // closed or purged meanwhile: the block goes with the ring
      WriteOut(*port, block.data(), length, aborts);
      {
        std::lock_guard<std::mutex> lock(portMutex_);
        writerOnPort_ = false;
      }
      portReleased_.notify_all();
      if (quit_.IsSignalled()) return;
    }
  }
}

void TqvUart::WriteOut(platform::SerialPort& port, const uint8_t* data, size_t length,
                       uint64_t aborts) {
  size_t done = 0;
  while (done < length) {
    if (!active_ || quit_.IsSignalled() || txAborts_ != aborts) return;
    const int n = port.WriteSome(data + done, length - done);
    if (n < 0) return;  // the device failed: the block is lost, as a failed write is
    if (n > 0) {
      done += static_cast<size_t>(n);
      continue;
    }
    const platform::PortWait wait = port.WaitWritableOr({&quit_, &writeRequest_}, -1);
    // A new request only adds to the ring, which the next pass reads; look at the state again.
    if (wait == platform::PortWait::kEvent) writeRequest_.Clear();
    if (wait == platform::PortWait::kError) return;
  }
}

// --- modem lines ------------------------------------------------------------------------------

bool TqvUart::ReadModemLines(platform::SerialPort& port, platform::ModemLines& lines) {
  return port.ReadModemLines(lines);
}

void TqvUart::WatchModemLines(platform::SerialPort& port, const std::atomic<bool>& stop) {
  platform::ModemLines lines{cts_, dsr_, ring_, rlsd_};
  platform::ModemCounts counts;
  // Counters, where the driver keeps them, also catch a pulse that is over before we look.
  bool haveCounts = port.ReadModemCounts(counts);
  while (!stop) {
    const platform::ModemWait wait = port.WaitModemChange();
    if (wait == platform::ModemWait::kInterrupted) continue;
    if (wait != platform::ModemWait::kChanged) return;  // the device cannot tell, or is gone
    platform::ModemLines now;
    if (!port.ReadModemLines(now)) return;
    int mask = ChangeMask(lines, now);
    platform::ModemCounts newCounts;
    if (haveCounts && port.ReadModemCounts(newCounts)) {
      mask |= ChangeMask(counts, newCounts);
      counts = newCounts;
    }
    lines = now;
    ModemLinesChanged(mask, now);
  }
}

void TqvUart::ModemLinesChanged(int mask, const platform::ModemLines& now) {
  cts_ = now.cts;
  dsr_ = now.dsr;
  ring_ = now.ring;
  rlsd_ = now.rlsd;
  if (mask == 0) return;
  {
    std::lock_guard<std::mutex> lock(handlersMutex_);
    if (!onStatus_) return;
  }
  auto deliver = [this, alive = alive_, mask] {
    if (!alive->load()) return;
    CommStatusEvent handler;
    {
      std::lock_guard<std::mutex> lock(handlersMutex_);
      handler = onStatus_;
    }
    if (handler) handler(*this, mask);
  };
  if (dispatcher_) {
    dispatcher_(std::move(deliver));
  } else {
    deliver();
  }
}

}  // namespace vortik

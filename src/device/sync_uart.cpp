#include "device/sync_uart.h"

#include <algorithm>
#include <climits>

#include "base/pending_events.h"
#include "device/port_table.h"
#include "device/settings_store.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

namespace vortik {

namespace {

const char kKeyUpper[] = "SOFTWARE\\QUORVANE\\";
const char kKeyMixed[] = "SOFTWARE\\Quorvane\\";

std::string PortKey(const char* root, const std::string& subkey, int port) {
  return root + subkey + "\\COM" + std::to_string(port);
}

platform::SerialLine LineOf(const CommSettings& s) {
  platform::SerialLine line;
  line.baud = s.baudRate;
  line.parity = static_cast<platform::SerialParity>(s.parity);
  line.dataBits = s.byteSize;
  line.stopBits = static_cast<platform::SerialStopBits>(s.stopBits);
  return line;
}

}  // namespace

uint32_t LineRateOf(uint32_t baudRate) {
  return baudRate < 15 ? kRateTable[baudRate] : baudRate;
}

TSyncUart::TSyncUart() = default;

TSyncUart::~TSyncUart() {
  if (active_) Close();
  CloseHandle();
}

std::string TSyncUart::DevicePath() const {
  return Ports().PathOf(portNo_);
}

// --- properties -------------------------------------------------------------------------------

void TSyncUart::fSetPort(int port) {
  if (port < 0 || port > kMaxPortNumber || port == portNo_) return;
  portNo_ = static_cast<TCommPortNumber>(port);
  if (active_) {
    Close();
    Open();
  }
}

void TSyncUart::fSetBaudRate(uint32_t rate) {
  if (rate == baudRate_) return;
  baudRate_ = rate;
  const uint32_t lineRate = LineRateOf(rate);
  if (lineRate != settings_.baudRate) {
    settings_.baudRate = lineRate;
    ApplyIfOpen();
  }
}

void TSyncUart::fSetParity(TCommParity parity) {
  if (parity < ptNONE || parity > ptSPACE || parity == settings_.parity) return;
  settings_.parity = parity;
  ApplyIfOpen();
}

void TSyncUart::fSetDataBits(TCommDataBits bits) {
  if (bits < db5BITS || bits > db8BITS || bits == fGetDataBits()) return;
  settings_.byteSize = static_cast<uint8_t>(bits + 5);
  ApplyIfOpen();
}

void TSyncUart::fSetStopBits(TCommStopBits bits) {
  if (bits < sb1BITS || bits > sb2BITS || bits == settings_.stopBits) return;
  settings_.stopBits = bits;
  ApplyIfOpen();
}

void TSyncUart::fSetDTR(bool on) {
  if (on == dtr_) return;
  dtr_ = on;
  if (active_ && port_) port_->SetDtr(on);
}

void TSyncUart::fSetRTS(bool on) {
  if (on == rts_) return;
  rts_ = on;
  if (active_ && port_) port_->SetRts(on);
}

void TSyncUart::fSetActive(bool on) {
  if (on) {
    Open();
  } else {
    Close();
  }
}

void TSyncUart::ApplyIfOpen() {
  if (active_) ApplyCommSettings();
}

// --- open, close, apply -----------------------------------------------------------------------

bool TSyncUart::Open() {
  if (active_) return true;
  if (portNo_ <= 0) return false;
  if (!port_) {
    const std::string path = DevicePath();
    if (path.empty()) return false;
    auto port = std::make_unique<platform::SerialPort>();
    if (!port->Open(path)) return false;
    port_ = std::move(port);
  }
  // The driver's queues are fixed by the tty layer; nothing to size here.
  dtr_ = settings_.dtrControl != LineControl::kDisable;
  rts_ = settings_.rtsControl != LineControl::kDisable;
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
  dtr_ = settings_.dtrControl != LineControl::kDisable;
  rts_ = settings_.rtsControl != LineControl::kDisable;
}

void TSyncUart::CloseHandle() {
  port_.reset();
}

bool TSyncUart::ApplyCommSettings() {
  if (!port_) return true;
  if (settings_.dtrControl != LineControl::kHandshake) {
    settings_.dtrControl = dtr_ ? LineControl::kEnable : LineControl::kDisable;
  }
  if (settings_.rtsControl != LineControl::kHandshake &&
      settings_.rtsControl != LineControl::kToggle) {
    settings_.rtsControl = rts_ ? LineControl::kEnable : LineControl::kDisable;
  }
  port_->PurgeWrite();
  port_->PurgeRead();
  if (!port_->Apply(LineOf(settings_))) return false;
  bool lines = true;
  if (settings_.dtrControl != LineControl::kHandshake) {
    lines = port_->SetDtr(settings_.dtrControl == LineControl::kEnable) && lines;
  }
  if (settings_.rtsControl == LineControl::kEnable ||
      settings_.rtsControl == LineControl::kDisable) {
    lines = port_->SetRts(settings_.rtsControl == LineControl::kEnable) && lines;
  }
  return lines;
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
  const int queued = port_->BytesQueued();
  if (queued <= 0) return 0;
  const int n = port_->Read(buffer, static_cast<size_t>(std::min(queued, capacity)));
  return n > 0 ? n : 0;
}

uint32_t TSyncUart::SyncRequest(const uint8_t* tx, uint32_t txLength, uint8_t* rx,
                                uint32_t rxLength, uint32_t timeoutMs, uint32_t intervalMs) {
  return SyncRequestUntil(tx, txLength, rx, rxLength, timeoutMs, intervalMs, nullptr);
}

uint32_t TSyncUart::SyncRequestUntil(const uint8_t* tx, uint32_t txLength, uint8_t* rx,
                                     uint32_t rxLength, uint32_t timeoutMs, uint32_t intervalMs,
                                     const ReplyComplete& complete) {
  const uint32_t start = platform::TickCountMs();
  if (tx != nullptr && txLength > 0) {
    PurgeRead(false);  // stale bytes of earlier traffic are dropped
    SendData(tx, static_cast<int>(std::min<uint32_t>(txLength, INT_MAX)));
  }
  const int waitMs = static_cast<int>(std::min<uint32_t>(intervalMs, INT_MAX));
  uint32_t received = 0;
  for (;;) {
    // Wait for the next bytes, but no longer than one poll interval. Without a readable port
    // (closed, or the device hung up) the interval is slept instead.
    if (!port_ || port_->WaitReadable(waitMs) == platform::WaitResult::kError) {
      platform::SleepMs(intervalMs);
    }
    RunPendingEvents();
    if (rx != nullptr && received < rxLength) {
      const uint32_t space = std::min<uint32_t>(rxLength - received, INT_MAX);
      received += static_cast<uint32_t>(RecvData(rx + received, static_cast<int>(space)));
    }
    const int32_t left = static_cast<int32_t>(start + timeoutMs - platform::TickCountMs());
    if (left <= 0 || received >= rxLength) break;
    if (complete && received > 0 && complete(rx, received)) break;
  }
  return received;
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

// --- persistence ------------------------------------------------------------------------------

void TSyncUart::SaveSettings(const std::string& subkey) {
  SettingsStore store(SettingsStore::DefaultPath());
  store.Load();
  store.Set(kKeyUpper + subkey, "COMPort", portNo_);
  const std::string portKey = PortKey(kKeyMixed, subkey, portNo_);
  store.Set(portKey, "BaudRate", baudRate_);
  store.Set(portKey, "Parity", fGetParity());
  store.Set(portKey, "DataBits", fGetDataBits());
  store.Set(portKey, "StopBits", fGetStopBits());
  store.Save();  // a failure to write is swallowed
}

void TSyncUart::LoadSettings(const std::string& subkey, bool keepPort) {
  SettingsStore store(SettingsStore::DefaultPath());
  if (!store.Load()) return;
  if (!keepPort) {
    auto port = store.Get(kKeyUpper + subkey, "COMPort");
    if (port && *port >= 0 && *port <= kMaxPortNumber && *port != portNo_) {
      fSetPort(static_cast<int>(*port));
    }
  }
  const std::string portKey = PortKey(kKeyUpper, subkey, portNo_);
  if (auto v = store.Get(portKey, "BaudRate"); v && *v >= 0 && *v <= UINT32_MAX) {
    fSetBaudRate(static_cast<uint32_t>(*v));
  }
  if (auto v = store.Get(portKey, "Parity"); v && *v >= ptNONE && *v <= ptSPACE) {
    fSetParity(static_cast<TCommParity>(*v));
  }
  if (auto v = store.Get(portKey, "DataBits"); v && *v >= db5BITS && *v <= db8BITS) {
    fSetDataBits(static_cast<TCommDataBits>(*v));
  }
  if (auto v = store.Get(portKey, "StopBits"); v && *v >= sb1BITS && *v <= sb2BITS) {
    fSetStopBits(static_cast<TCommStopBits>(*v));
  }
}

}  // namespace vortik

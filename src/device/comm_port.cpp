#include "device/comm_port.h"

#include <climits>

#include "device/port_table.h"
#include "device/settings_store.h"
#include "platform/serial_port.h"

namespace vortik {

namespace {

std::string PortKey(const char* root, const std::string& subkey, int port) {
  return root + subkey + "\\COM" + std::to_string(port);
}

platform::SerialLine LineOf(const CommSettings& s) {
  platform::SerialLine line;
  line.baud = s.baudRate;
  line.parity = static_cast<platform::SerialParity>(s.parity);
  line.dataBits = s.byteSize;
  line.stopBits = static_cast<platform::SerialStopBits>(s.stopBits);
  line.rtsCts = s.outxCtsFlow || s.rtsControl == LineControl::kHandshake;
  line.xonXoffOut = s.outX;
  line.xonXoffIn = s.inX;
  line.xonChar = s.xonChar;
  line.xoffChar = s.xoffChar;
  return line;
}

}  // namespace

uint32_t LineRateOf(uint32_t baudRate) {
  return baudRate < 15 ? kRateTable[baudRate] : baudRate;
}

std::string CommPortBase::DevicePath() const {
  return Ports().PathOf(portNo_);
}

// --- properties -------------------------------------------------------------------------------

void CommPortBase::fSetPort(int port) {
  if (port < 0 || port > kMaxPortNumber || port == portNo_) return;
  portNo_ = static_cast<TCommPortNumber>(port);
  if (Active()) {
    Close();
    Open();
  }
}

void CommPortBase::fSetBaudRate(uint32_t rate) {
  if (rate == baudRate_) return;
  baudRate_ = rate;
  const uint32_t lineRate = LineRateOf(rate);
  if (lineRate != settings_.baudRate) {
    settings_.baudRate = lineRate;
    ApplyIfOpen();
  }
}

void CommPortBase::fSetParity(TCommParity parity) {
  if (parity < ptNONE || parity > ptSPACE || parity == settings_.parity) return;
  settings_.parity = parity;
  ApplyIfOpen();
}

void CommPortBase::fSetDataBits(TCommDataBits bits) {
  if (bits < db5BITS || bits > db8BITS || bits == fGetDataBits()) return;
  settings_.byteSize = static_cast<uint8_t>(bits + 5);
  ApplyIfOpen();
}

void CommPortBase::fSetStopBits(TCommStopBits bits) {
  if (bits < sb1BITS || bits > sb2BITS || bits == settings_.stopBits) return;
  settings_.stopBits = bits;
  ApplyIfOpen();
}

void CommPortBase::fSetDTR(bool on) {
  if (on == dtr_) return;
  dtr_ = on;
  if (platform::SerialPort* port = Active() ? Device() : nullptr) port->SetDtr(on);
}

void CommPortBase::fSetRTS(bool on) {
  if (on == rts_) return;
  rts_ = on;
  if (platform::SerialPort* port = Active() ? Device() : nullptr) port->SetRts(on);
}

void CommPortBase::fSetActive(bool on) {
  if (on) {
    Open();
  } else {
    Close();
  }
}

void CommPortBase::ApplyIfOpen() {
  if (Active()) ApplyCommSettings();
}

// --- applying the record ----------------------------------------------------------------------

void CommPortBase::LoadLinesFromRecord() {
  dtr_ = settings_.dtrControl != LineControl::kDisable;
  rts_ = settings_.rtsControl != LineControl::kDisable;
}

bool CommPortBase::ApplyRecord(platform::SerialPort& port, bool purgeFirst) {
  if (settings_.dtrControl != LineControl::kHandshake) {
    settings_.dtrControl = dtr_ ? LineControl::kEnable : LineControl::kDisable;
  }
  if (settings_.rtsControl != LineControl::kHandshake &&
      settings_.rtsControl != LineControl::kToggle) {
    settings_.rtsControl = rts_ ? LineControl::kEnable : LineControl::kDisable;
  }
  if (purgeFirst) {
    port.PurgeWrite();
    port.PurgeRead();
  }
  if (!port.Apply(LineOf(settings_))) return false;
  bool lines = true;
  if (settings_.dtrControl != LineControl::kHandshake) {
    lines = port.SetDtr(settings_.dtrControl == LineControl::kEnable) && lines;
  }
  if (settings_.rtsControl == LineControl::kEnable ||
      settings_.rtsControl == LineControl::kDisable) {
    lines = port.SetRts(settings_.rtsControl == LineControl::kEnable) && lines;
  }
  return lines;
}

// --- persistence ------------------------------------------------------------------------------

void CommPortBase::SaveSettings(const std::string& subkey) {
  SettingsStore store(SettingsStore::DefaultPath());
  store.Load();
  store.Set(roots_.portKey + subkey, "COMPort", portNo_);
  const std::string portKey = PortKey(roots_.lineKey, subkey, portNo_);
  store.Set(portKey, "BaudRate", baudRate_);
  store.Set(portKey, "Parity", fGetParity());
  store.Set(portKey, "DataBits", fGetDataBits());
  store.Set(portKey, "StopBits", fGetStopBits());
  store.Save();  // a failure to write is swallowed
}

void CommPortBase::LoadSettings(const std::string& subkey, bool keepPort) {
  SettingsStore store(SettingsStore::DefaultPath());
  if (!store.Load()) return;
  if (!keepPort) {
    auto port = store.Get(roots_.loadKey + subkey, "COMPort");
    if (port && *port >= 0 && *port <= kMaxPortNumber && *port != portNo_) {
      fSetPort(static_cast<int>(*port));
    }
  }
  const std::string portKey = PortKey(roots_.loadKey, subkey, portNo_);
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

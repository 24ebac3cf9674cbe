// What both serial components share: the property types, the line-settings record, the
// property writers over it, the DTR/RTS fix-up when the record is applied, and the persistence
// of port and line values in the settings store.
#pragma once

#include <cstdint>
#include <string>

#include "base/host.h"

namespace vortik {

namespace platform {
class SerialPort;
}

enum TCommParity { ptNONE = 0, ptODD = 1, ptEVEN = 2, ptMARK = 3, ptSPACE = 4 };
enum TCommDataBits { db5BITS = 0, db6BITS = 1, db7BITS = 2, db8BITS = 3 };
enum TCommStopBits { sb1BITS = 0, sb1HALFBITS = 1, sb2BITS = 2 };
using TCommPortNumber = int16_t;  // 0..256

// Rate table for BaudRate values below 15; larger values are rates in baud.
inline constexpr uint32_t kRateTable[15] = {110,   300,   600,    1200,   2400,
                                            4800,  9600,  14400,  19200,  38400,
                                            56000, 57600, 115200, 128000, 256000};
uint32_t LineRateOf(uint32_t baudRate);

// Modem-line control modes of the settings record.
enum class LineControl { kDisable, kEnable, kHandshake, kToggle };

// The line-settings record: what is applied to the device. BaudRate keeps what the user set;
// the record keeps the rate after the table look-up.
struct CommSettings {
  uint32_t baudRate = 9600;
  TCommParity parity = ptNONE;
  uint8_t byteSize = 8;  // data bits, 5..8
  TCommStopBits stopBits = sb1BITS;
  LineControl dtrControl = LineControl::kEnable;
  LineControl rtsControl = LineControl::kEnable;
  // Raw transfer, no parity check, no flow control, no character replacement at creation.
  // Only the threaded driver's flow-control setting changes the flow flags.
  bool binary = true;
  bool parityCheck = false;
  bool outxCtsFlow = false;
  bool outxDsrFlow = false;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = false;
  bool outX = false;
  bool inX = false;
  uint16_t xonLim = 2048;
  uint16_t xoffLim = 512;
  uint8_t xonChar = 0x11;
  uint8_t xoffChar = 0x13;
};

class CommPortBase {
 public:
  virtual ~CommPortBase() = default;
  CommPortBase(const CommPortBase&) = delete;
  CommPortBase& operator=(const CommPortBase&) = delete;

  // Properties.
  TCommPortNumber PortNO() const { return portNo_; }
  uint32_t BaudRate() const { return baudRate_; }
  TCommParity Parity() const { return fGetParity(); }
  TCommDataBits DataBits() const { return fGetDataBits(); }
  TCommStopBits StopBits() const { return fGetStopBits(); }
  bool DTR() const { return dtr_; }
  bool RTS() const { return rts_; }
  virtual bool Active() const = 0;
  const CommSettings& Settings() const { return settings_; }
  // The device path that PortNO stands for (empty when the number has none).
  std::string DevicePath() const;

  // Each writer does nothing when the value is unchanged (or out of range); while the port is
  // open a new port number reopens it and a new line value is applied at once.
  void fSetPort(int port);
  void fSetBaudRate(uint32_t rate);
  void fSetParity(TCommParity parity);
  void fSetDataBits(TCommDataBits bits);
  void fSetStopBits(TCommStopBits bits);
  void fSetDTR(bool on);
  void fSetRTS(bool on);
  void fSetActive(bool on);
  TCommParity fGetParity() const { return settings_.parity; }
  TCommDataBits fGetDataBits() const { return static_cast<TCommDataBits>(settings_.byteSize - 5); }
  TCommStopBits fGetStopBits() const { return settings_.stopBits; }

  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool ApplyCommSettings() = 0;

  // Port number and line values in the settings store, under the component's key root + subkey.
  void SaveSettings(const std::string& subkey);
  void LoadSettings(const std::string& subkey, bool keepPort);

  // The host whose pending events run while this port waits for the tool, so the window stays
  // alive and a close request is seen; none (the default) waits without.
  void SetEventHost(Host* host) { eventHost_ = host; }

 protected:
  // Key roots of the store: of "COMPort" and of the per-port values when saving, and of both
  // when loading (names compare without regard to case, so the spellings denote one key).
  struct KeyRoots {
    const char* portKey;
    const char* lineKey;
    const char* loadKey;
  };
  explicit CommPortBase(KeyRoots roots) : roots_(roots) {}

  // The open device, or null.
  virtual platform::SerialPort* Device() = 0;
  // DTR and RTS as the record's control modes say (after opening and closing).
  void LoadLinesFromRecord();
  // Brings the record's DTR/RTS modes in line with the flags, optionally empties both queues,
  // applies the record to the device and raises or drops the lines it does not hand to the
  // driver. False when the device refused the settings or a line.
  bool ApplyRecord(platform::SerialPort& port, bool purgeFirst);

  CommSettings settings_;

  void RunPendingEvents() {
    if (eventHost_ != nullptr) eventHost_->ProcessEvents();
  }

 private:
  void ApplyIfOpen();

  Host* eventHost_ = nullptr;

  KeyRoots roots_;
  TCommPortNumber portNo_ = 1;
  uint32_t baudRate_ = 9600;
  bool dtr_ = true;
  bool rts_ = true;
};

}  // namespace vortik

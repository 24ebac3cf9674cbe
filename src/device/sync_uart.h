// TSyncUart: the serial port to the Scan Tool with blocking send/receive and the synchronous
// request/reply exchange; port numbers map to device paths through the port table.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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
  // Fixed at creation: raw transfer, no parity check, no flow control of any kind, no
  // character replacement. XON/XOFF limits and characters are kept for completeness.
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

inline constexpr uint32_t kDriverQueueSize = 2048;

class TSyncUart {
 public:
  TSyncUart();
  ~TSyncUart();
  TSyncUart(const TSyncUart&) = delete;
  TSyncUart& operator=(const TSyncUart&) = delete;

  // Properties.
  TCommPortNumber PortNO() const { return portNo_; }
  uint32_t BaudRate() const { return baudRate_; }
  TCommParity Parity() const { return fGetParity(); }
  TCommDataBits DataBits() const { return fGetDataBits(); }
  TCommStopBits StopBits() const { return fGetStopBits(); }
  bool DTR() const { return dtr_; }
  bool RTS() const { return rts_; }
  bool Active() const { return active_; }
  const CommSettings& Settings() const { return settings_; }
  // The device path that PortNO stands for (empty when the number has none).
  std::string DevicePath() const;

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

  bool Open();
  void Close();
  bool ApplyCommSettings();
  int SendData(const uint8_t* data, int length);
  int RecvData(uint8_t* buffer, int capacity);
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
  void PurgeRead(bool abort);
  void PurgeWrite(bool abort);
  // true: wait until this thread owns the port's lock (recursive); false: release one level.
  void Lock(bool on);

  // Persistence under "SOFTWARE\QUORVANE\"+subkey in the settings store.
  void SaveSettings(const std::string& subkey);
  void LoadSettings(const std::string& subkey, bool keepPort);

 private:
  void CloseHandle();
  void ApplyIfOpen();

  std::unique_ptr<platform::SerialPort> port_;  // null while there is no handle
  TCommPortNumber portNo_ = 1;
  uint32_t baudRate_ = 9600;
  bool dtr_ = true;
  bool rts_ = true;
  bool active_ = false;
  CommSettings settings_;

  std::mutex lockMutex_;
  std::condition_variable lockFree_;
  std::thread::id lockOwner_;
  int lockDepth_ = 0;
};

}  // namespace vortik

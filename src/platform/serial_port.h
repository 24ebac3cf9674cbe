// A serial device opened exclusively in raw mode (termios2, so any rate), with DTR/RTS, flow
// control, queued byte count, purge, poll()-based waits (also together with wake-up events) and
// the modem input lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/unique_fd.h"

#include "platform/event_fd.h"

namespace vortik::platform {

enum class SerialParity { kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4 };
enum class SerialStopBits { kOne = 0, kOneAndHalf = 1, kTwo = 2 };

struct SerialLine {
  uint32_t baud = 9600;
  SerialParity parity = SerialParity::kNone;
  int dataBits = 8;  // 5..8
  SerialStopBits stopBits = SerialStopBits::kOne;
  // Flow control: the RTS/CTS handshake, XON/XOFF on output (the device obeys XOFF) and on
  // input (the driver sends XOFF when its queue fills), with the two characters.
  bool rtsCts = false;
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  uint8_t xonChar = 0x11;
  uint8_t xoffChar = 0x13;
};

enum class WaitResult { kReady, kTimeout, kError };
// kEvent: one of the wake-up events was signalled (it wins over the port).
enum class PortWait { kReady, kEvent, kTimeout, kError };

// The modem input lines.
struct ModemLines {
  bool cts = false;
  bool dsr = false;
  bool ring = false;
  bool rlsd = false;  // carrier detect
  bool operator==(const ModemLines&) const = default;
};
// How often each input line changed since the device was opened (RI counts trailing edges).
struct ModemCounts {
  uint32_t cts = 0;
  uint32_t dsr = 0;
  uint32_t ring = 0;
  uint32_t rlsd = 0;
};
enum class ModemWait { kChanged, kInterrupted, kUnsupported, kError };

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens an existing device for reading and writing, not as controlling terminal, and takes
  // it exclusively (TIOCEXCL and an advisory lock, so another program holding it makes this
  // fail). The line is put in raw mode. False when it cannot be opened or is held elsewhere.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_.valid(); }

  // Rate (any value, through BOTHER), parity, data and stop bits, flow control; raw.
  bool Apply(const SerialLine& line);
  // What the device has now. False when it cannot be read.
  bool ReadLine(SerialLine& line) const;
  // Raises or drops a modem line. A device without modem lines (a pseudo-terminal) is not a
  // failure; only a real error is.
  bool SetDtr(bool on);
  bool SetRts(bool on);

  // Bytes waiting in the receive queue, or -1 when the query fails.
  int BytesQueued() const;
  // Reads what is there without waiting; -1 on failure.
  int Read(uint8_t* buffer, size_t capacity);
  // Writes all bytes, waiting (in poll) while the driver's queue is full, but never longer than
  // `stallMs` without progress. Returns the bytes written (fewer on failure or stall).
  size_t Write(const uint8_t* data, size_t length, int stallMs = 2000);
  // Writes what the driver takes now: the count, 0 when its queue is full, -1 on failure.
  int WriteSome(const uint8_t* data, size_t length);
  bool PurgeRead();
  bool PurgeWrite();
  // Waits until bytes can be read or `timeoutMs` passed. kError when the device hung up or is
  // not open.
  WaitResult WaitReadable(int timeoutMs) const;
  // Waits until the port can be read (or written), one of `events` is signalled, or `timeoutMs`
  // passed (-1: no limit). kError when the device hung up or is not open.
  PortWait WaitReadableOr(std::initializer_list<const EventFd*> events, int timeoutMs) const;
  PortWait WaitWritableOr(std::initializer_list<const EventFd*> events, int timeoutMs) const;

  // The input lines now. False when the device has none (a pseudo-terminal) or the query fails.
  bool ReadModemLines(ModemLines& lines) const;
  // The change counters; false where the driver keeps none.
  bool ReadModemCounts(ModemCounts& counts) const;
  // Blocks until CTS, DSR, RI or DCD changes. kUnsupported when the device cannot tell (a
  // pseudo-terminal, some adapters); kInterrupted when Thread::InterruptAndJoin knocked the
  // calling thread out of the wait.
  ModemWait WaitModemChange() const;

 private:
  UniqueFd fd_;
};

}  // namespace vortik::platform

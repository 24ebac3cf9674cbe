// A serial device opened exclusively in raw mode (termios2, so any rate), with DTR/RTS, queued
// byte count, purge and a poll()-based wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vortik::platform {

enum class SerialParity { kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4 };
enum class SerialStopBits { kOne = 0, kOneAndHalf = 1, kTwo = 2 };

struct SerialLine {
  uint32_t baud = 9600;
  SerialParity parity = SerialParity::kNone;
  int dataBits = 8;  // 5..8
  SerialStopBits stopBits = SerialStopBits::kOne;
};

enum class WaitResult { kReady, kTimeout, kError };

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
  bool IsOpen() const { return fd_ >= 0; }

  // Rate (any value, through BOTHER), parity, data and stop bits; raw, no flow control.
  bool Apply(const SerialLine& line);
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
  bool PurgeRead();
  bool PurgeWrite();
  // Waits until bytes can be read or `timeoutMs` passed. kError when the device hung up or is
  // not open.
  WaitResult WaitReadable(int timeoutMs) const;

 private:
  int fd_ = -1;
};

}  // namespace vortik::platform

#include "platform/serial_port.h"

// termios2 (for arbitrary rates) and <termios.h> cannot share a translation unit, so this file
// talks to the tty layer through the kernel's own definitions and ioctl alone.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <asm/termios.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vortik::platform {

namespace {

bool ModemLine(int fd, int bit, bool on) {
  if (fd < 0) return false;
  int bits = bit;
  if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) return true;
  // Pseudo-terminals and some adapters have no modem lines: nothing to switch.
  return errno == ENOTTY || errno == EINVAL;
}

}  // namespace

SerialPort::~SerialPort() {
  Close();
}

bool SerialPort::Open(const std::string& path) {
  Close();
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  // TIOCEXCL keeps other opens out (except privileged ones); the lock covers programs that
  // take the port with flock, as terminal programs do, and privileged callers.
  if (ioctl(fd, TIOCEXCL) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

bool SerialPort::Apply(const SerialLine& line) {
  if (fd_ < 0) return false;
  struct termios2 tio {};
  if (ioctl(fd_, TCGETS2, &tio) != 0) return false;
  // Raw: no input translation, no output processing, no echo, no signals, no flow control.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK | IGNPAR);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS |
                                        CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= CREAD | CLOCAL | BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = line.baud;
  tio.c_ospeed = line.baud;
  switch (line.dataBits) {
    case 5:
      tio.c_cflag |= CS5;
      break;
    case 6:
      tio.c_cflag |= CS6;
      break;
    case 7:
      tio.c_cflag |= CS7;
      break;
    default:
      tio.c_cflag |= CS8;
      break;
  }
  switch (line.parity) {
    case SerialParity::kNone:
      break;
    case SerialParity::kOdd:
      tio.c_cflag |= PARENB | PARODD;
      break;
    case SerialParity::kEven:
      tio.c_cflag |= PARENB;
      break;
    case SerialParity::kMark:
      tio.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case SerialParity::kSpace:
      tio.c_cflag |= PARENB | CMSPAR;
      break;
  }
  // termios has no 1.5 stop bits; like most drivers, take 2 for it.
  if (line.stopBits != SerialStopBits::kOne) tio.c_cflag |= CSTOPB;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return ioctl(fd_, TCSETS2, &tio) == 0;
}

bool SerialPort::SetDtr(bool on) {
  return ModemLine(fd_, TIOCM_DTR, on);
}
bool SerialPort::SetRts(bool on) {
  return ModemLine(fd_, TIOCM_RTS, on);
}

int SerialPort::BytesQueued() const {
  if (fd_ < 0) return -1;
  int count = 0;
  if (ioctl(fd_, FIONREAD, &count) != 0) return -1;
  return count;
}

int SerialPort::Read(uint8_t* buffer, size_t capacity) {
  if (fd_ < 0 || buffer == nullptr) return -1;
  if (capacity == 0) return 0;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, capacity);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return 0;
    return -1;
  }
}

size_t SerialPort::Write(const uint8_t* data, size_t length, int stallMs) {
  if (fd_ < 0 || data == nullptr) return 0;
  size_t written = 0;
  while (written < length) {
    ssize_t n = ::write(fd_, data + written, length - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    pollfd pfd{fd_, POLLOUT, 0};
    int ready = ::poll(&pfd, 1, stallMs);
    if (ready <= 0 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
  }
  return written;
}

bool SerialPort::PurgeRead() {
  return fd_ >= 0 && ioctl(fd_, TCFLSH, TCIFLUSH) == 0;
}
bool SerialPort::PurgeWrite() {
  return fd_ >= 0 && ioctl(fd_, TCFLSH, TCOFLUSH) == 0;
}

WaitResult SerialPort::WaitReadable(int timeoutMs) const {
  if (fd_ < 0) return WaitResult::kError;
  pollfd pfd{fd_, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&pfd, 1, timeoutMs < 0 ? 0 : timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return WaitResult::kError;
  if (ready == 0) return WaitResult::kTimeout;
  if ((pfd.revents & POLLIN) != 0) return WaitResult::kReady;
  return WaitResult::kError;
}

}  // namespace vortik::platform

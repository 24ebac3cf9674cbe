#include "platform/serial_port.h"

// termios2 (for arbitrary rates) and <termios.h> cannot share a translation unit, so this file
// talks to the tty layer through the kernel's own definitions and ioctl alone.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <asm/termios.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <iterator>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vortik::platform {

namespace {

PortWait WaitPort(int fd, short what, std::initializer_list<const EventFd*> events, int timeoutMs) {
  if (fd < 0) return PortWait::kError;
  pollfd fds[8];
  size_t count = 0;
  for (const EventFd* e : events) {
    if (count == std::size(fds) - 1) break;
    fds[count++] = {e != nullptr ? e->fd() : -1, POLLIN, 0};
  }
  const size_t portIndex = count;
  fds[count++] = {fd, what, 0};
  int ready;
  do {
    ready = ::poll(fds, count, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return PortWait::kError;
  if (ready == 0) return PortWait::kTimeout;
  for (size_t i = 0; i < portIndex; ++i) {
    if (fds[i].revents != 0) return PortWait::kEvent;
  }
  // A hung-up tty reports itself readable and writable too, but reads only end-of-file: its
  // queue was flushed by the hang-up.
  if ((fds[portIndex].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return PortWait::kError;
  if ((fds[portIndex].revents & what) != 0) return PortWait::kReady;
  return PortWait::kError;
}

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
  fd_.Reset(fd);
  return true;
}

void SerialPort::Close() {
  if (!fd_.valid()) return;
  ioctl(fd_.get(), TIOCNXCL);
  fd_.Reset();
}

bool SerialPort::Apply(const SerialLine& line) {
  if (!fd_.valid()) return false;
  struct termios2 tio {};
  if (ioctl(fd_.get(), TCGETS2, &tio) != 0) return false;
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
  // One bit stands for both directions of the hardware handshake.
  if (line.rtsCts) tio.c_cflag |= CRTSCTS;
  if (line.xonXoffOut) tio.c_iflag |= IXON;
  if (line.xonXoffIn) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = line.xonChar;
  tio.c_cc[VSTOP] = line.xoffChar;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return ioctl(fd_.get(), TCSETS2, &tio) == 0;
}

bool SerialPort::ReadLine(SerialLine& line) const {
  if (!fd_.valid()) return false;
  struct termios2 tio {};
  if (ioctl(fd_.get(), TCGETS2, &tio) != 0) return false;
  line.baud = tio.c_ospeed;
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      line.dataBits = 5;
      break;
    case CS6:
      line.dataBits = 6;
      break;
    case CS7:
      line.dataBits = 7;
      break;
    default:
      line.dataBits = 8;
      break;
  }
  if ((tio.c_cflag & PARENB) == 0) {
    line.parity = SerialParity::kNone;
  } else if ((tio.c_cflag & CMSPAR) != 0) {
    line.parity = (tio.c_cflag & PARODD) != 0 ? SerialParity::kMark : SerialParity::kSpace;
  } else {
    line.parity = (tio.c_cflag & PARODD) != 0 ? SerialParity::kOdd : SerialParity::kEven;
  }
  line.stopBits = (tio.c_cflag & CSTOPB) != 0 ? SerialStopBits::kTwo : SerialStopBits::kOne;
  line.rtsCts = (tio.c_cflag & CRTSCTS) != 0;
  line.xonXoffOut = (tio.c_iflag & IXON) != 0;
  line.xonXoffIn = (tio.c_iflag & IXOFF) != 0;
  line.xonChar = tio.c_cc[VSTART];
  line.xoffChar = tio.c_cc[VSTOP];
  return true;
}

bool SerialPort::SetDtr(bool on) {
  return ModemLine(fd_.get(), TIOCM_DTR, on);
}
bool SerialPort::SetRts(bool on) {
  return ModemLine(fd_.get(), TIOCM_RTS, on);
}

int SerialPort::BytesQueued() const {
  if (!fd_.valid()) return -1;
  int count = 0;
  if (ioctl(fd_.get(), FIONREAD, &count) != 0) return -1;
  return count;
}

int SerialPort::Read(uint8_t* buffer, size_t capacity) {
  if (!fd_.valid() || buffer == nullptr) return -1;
  if (capacity == 0) return 0;
  for (;;) {
    ssize_t n = ::read(fd_.get(), buffer, capacity);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return 0;
    return -1;
  }
}

size_t SerialPort::Write(const uint8_t* data, size_t length, int stallMs) {
  if (!fd_.valid() || data == nullptr) return 0;
  size_t written = 0;
  while (written < length) {
    ssize_t n = ::write(fd_.get(), data + written, length - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    pollfd pfd{fd_.get(), POLLOUT, 0};
    int ready = ::poll(&pfd, 1, stallMs);
    if (ready <= 0 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
  }
  return written;
}

int SerialPort::WriteSome(const uint8_t* data, size_t length) {
  if (!fd_.valid() || data == nullptr) return -1;
  if (length == 0) return 0;
  for (;;) {
    ssize_t n = ::write(fd_.get(), data, length);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN) return 0;
    return -1;
  }
}

bool SerialPort::PurgeRead() {
  return fd_.valid() && ioctl(fd_.get(), TCFLSH, TCIFLUSH) == 0;
}
bool SerialPort::PurgeWrite() {
  return fd_.valid() && ioctl(fd_.get(), TCFLSH, TCOFLUSH) == 0;
}

WaitResult SerialPort::WaitReadable(int timeoutMs) const {
  if (!fd_.valid()) return WaitResult::kError;
  pollfd pfd{fd_.get(), POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&pfd, 1, timeoutMs < 0 ? 0 : timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return WaitResult::kError;
  if (ready == 0) return WaitResult::kTimeout;
  if ((pfd.revents & POLLIN) != 0) return WaitResult::kReady;
  return WaitResult::kError;
}

PortWait SerialPort::WaitReadableOr(std::initializer_list<const EventFd*> events,
                                    int timeoutMs) const {
  return WaitPort(fd_.get(), POLLIN, events, timeoutMs);
}

PortWait SerialPort::WaitWritableOr(std::initializer_list<const EventFd*> events,
                                    int timeoutMs) const {
  return WaitPort(fd_.get(), POLLOUT, events, timeoutMs);
}

bool SerialPort::ReadModemLines(ModemLines& lines) const {
  if (!fd_.valid()) return false;
  int bits = 0;
  if (ioctl(fd_.get(), TIOCMGET, &bits) != 0) return false;
  lines.cts = (bits & TIOCM_CTS) != 0;
  lines.dsr = (bits & TIOCM_DSR) != 0;
  lines.ring = (bits & TIOCM_RNG) != 0;
  lines.rlsd = (bits & TIOCM_CAR) != 0;
  return true;
}

bool SerialPort::ReadModemCounts(ModemCounts& counts) const {
  if (!fd_.valid()) return false;
  serial_icounter_struct icount{};
  if (ioctl(fd_.get(), TIOCGICOUNT, &icount) != 0) return false;
  counts.cts = static_cast<uint32_t>(icount.cts);
  counts.dsr = static_cast<uint32_t>(icount.dsr);
  counts.ring = static_cast<uint32_t>(icount.rng);
  counts.rlsd = static_cast<uint32_t>(icount.dcd);
  return true;
}

ModemWait SerialPort::WaitModemChange() const {
  if (!fd_.valid()) return ModemWait::kError;
  const unsigned long mask = TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CAR;
  if (ioctl(fd_.get(), TIOCMIWAIT, mask) == 0) return ModemWait::kChanged;
  switch (errno) {
    case EINTR:
      return ModemWait::kInterrupted;
    case ENOTTY:
    case EINVAL:
    case ENOSYS:
      return ModemWait::kUnsupported;
    default:
      return ModemWait::kError;
  }
}

}  // namespace vortik::platform

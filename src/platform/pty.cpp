#include "platform/pty.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace vortik::platform {

namespace {
void MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return;
  cfmakeraw(&tio);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
}
}  // namespace

Pty::~Pty() {
  Close();
}

bool Pty::Open(const std::string& linkPath) {
  Close();
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return false;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    ::close(master);
    return false;
  }
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave < 0) {
    ::close(master);
    return false;
  }
  MakeRaw(slave);
  MakeRaw(master);
  int flags = fcntl(master, F_GETFL);
  fcntl(master, F_SETFL, flags | O_NONBLOCK);
  if (!linkPath.empty()) {
    ::unlink(linkPath.c_str());
    if (::symlink(name, linkPath.c_str()) != 0) {
      ::close(slave);
      ::close(master);
      return false;
    }
    linkPath_ = linkPath;
  }
  master_ = master;
  keepSlave_ = slave;
  slavePath_ = name;
  return true;
}

void Pty::Close() {
  if (!linkPath_.empty()) ::unlink(linkPath_.c_str());
  linkPath_.clear();
  if (keepSlave_ >= 0) ::close(keepSlave_);
  keepSlave_ = -1;
  if (master_ >= 0) ::close(master_);
  master_ = -1;
  slavePath_.clear();
}

}  // namespace vortik::platform

#include "platform/pty.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

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
  UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!master.valid()) return false;
  char name[128];
  if (grantpt(master.get()) != 0 || unlockpt(master.get()) != 0 ||
      ptsname_r(master.get(), name, sizeof name) != 0) {
    return false;
  }
  UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!slave.valid()) return false;
  MakeRaw(slave.get());
  MakeRaw(master.get());
  int flags = fcntl(master.get(), F_GETFL);
  fcntl(master.get(), F_SETFL, flags | O_NONBLOCK);
  if (!linkPath.empty()) {
    ::unlink(linkPath.c_str());
    if (::symlink(name, linkPath.c_str()) != 0) return false;
    linkPath_ = linkPath;
  }
  master_ = std::move(master);
  keepSlave_ = std::move(slave);
  slavePath_ = name;
  return true;
}

void Pty::Close() {
  if (!linkPath_.empty()) ::unlink(linkPath_.c_str());
  linkPath_.clear();
  keepSlave_.Reset();
  master_.Reset();
  slavePath_.clear();
}

}  // namespace vortik::platform

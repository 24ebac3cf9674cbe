// The descriptor inside a TcpSocket, for the platform layer's own TLS sessions.
#pragma once

#include "platform/tcp.h"

namespace vortik::platform {

class TcpAccess {
 public:
  static int Fd(const TcpSocket& s) { return s.fd_.get(); }
  static void Adopt(TcpSocket* s, int fd) {
    s->Close();
    s->fd_.Reset(fd);
  }
};

}  // namespace vortik::platform

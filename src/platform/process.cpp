#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vortik::platform {

bool StartDetached(const std::string& exe) {
  if (exe.empty()) return false;
  // Double spawn through a short-lived intermediate would need a shell; instead the child is
  // left to init when this process exits right after, which is what a restart does.
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
  pid_t pid = 0;
  int rc = posix_spawn(&pid, exe.c_str(), nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  return rc == 0;
}

}  // namespace vortik::platform

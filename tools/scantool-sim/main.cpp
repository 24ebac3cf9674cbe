// scantool-sim: plays the Scan Tool on a pseudo-terminal until SIGTERM or SIGINT.
//   --link PATH   make a symbolic link to the terminal at PATH (removed on exit)
//   --demo        answer with the demo identity
//   --wire        pace requests and replies as on a 1,000,000 baud line
//   --restart MS  restart as a real tool does after an upgrade: MS milliseconds after the last
//                 request of a burn the terminal and its link vanish, and come back two
//                 seconds later on a new terminal at the same link
//   --log         print a line for each device-info request (for tests that drive a window)
#include <signal.h>
#include <time.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device/frame.h"
#include "scantool_sim.h"

namespace {

bool ParseMilliseconds(const char* text, int* out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value <= 0 || value > 600000) return false;
  *out = static_cast<int>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  vortik::sim::Options options;
  bool log = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc) {
      options.linkPath = argv[++i];
    } else if (std::strcmp(argv[i], "--demo") == 0) {
      options.identity = vortik::sim::DemoIdentity();
    } else if (std::strcmp(argv[i], "--wire") == 0) {
      options.wireModel = true;
    } else if (std::strcmp(argv[i], "--log") == 0) {
      log = true;
    } else if (std::strcmp(argv[i], "--restart") == 0 && i + 1 < argc &&
               ParseMilliseconds(argv[i + 1], &options.restartAfterBurnMs)) {
      ++i;
    } else {
      std::fprintf(stderr, "usage: %s [--link PATH] [--demo] [--wire] [--restart MS] [--log]\n",
                   argv[0]);
      return 2;
    }
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  // Blocked before the worker starts, so only sigwait below sees them.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  options.onRestart = [](bool present) {
    std::printf(present ? "scantool-sim: back after its restart\n"
                        : "scantool-sim: restarting after the upgrade (unplugged)\n");
    std::fflush(stdout);
  };
  vortik::sim::ScanToolSim tool(options);
  if (!tool.Start()) {
    std::fprintf(stderr, "scantool-sim: cannot create a pseudo-terminal\n");
    return 1;
  }
  std::printf("scantool-sim: listening on %s\n", tool.path().c_str());
  std::fflush(stdout);
  // Until a signal; with --log, looking at the requests ten times a second meanwhile.
  int seen = 0;
  const timespec tick{0, 100L * 1000 * 1000};
  while (sigtimedwait(&signals, nullptr, &tick) < 0) {
    if (!log) continue;
    const int count = tool.RequestCount(vortik::kCmdRequestDeviceInfo.code);
    if (count != seen) {
      seen = count;
      std::printf("scantool-sim: device-info request %d\n", count);
      std::fflush(stdout);
    }
  }
  tool.Stop();  // removes the link
  return 0;
}

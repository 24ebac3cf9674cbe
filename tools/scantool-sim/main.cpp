// scantool-sim: plays the Scan Tool on a pseudo-terminal until SIGTERM or SIGINT.
//   --link PATH   make a symbolic link to the terminal at PATH (removed on exit)
//   --demo        answer with the demo identity
//   --wire        pace requests and replies as on a 1,000,000 baud line
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "scantool_sim.h"

int main(int argc, char** argv) {
  vortik::sim::Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--link") == 0 && i + 1 < argc) {
      options.linkPath = argv[++i];
    } else if (std::strcmp(argv[i], "--demo") == 0) {
      options.identity = vortik::sim::DemoIdentity();
    } else if (std::strcmp(argv[i], "--wire") == 0) {
      options.wireModel = true;
    } else {
      std::fprintf(stderr, "usage: %s [--link PATH] [--demo] [--wire]\n", argv[0]);
      return 2;
    }
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  // Blocked before the worker starts, so only sigwait below sees them.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  vortik::sim::ScanToolSim tool(options);
  if (!tool.Start()) {
    std::fprintf(stderr, "scantool-sim: cannot create a pseudo-terminal\n");
    return 1;
  }
  std::printf("scantool-sim: listening on %s\n", tool.path().c_str());
  std::fflush(stdout);
  int received = 0;
  sigwait(&signals, &received);
  tool.Stop();  // removes the link
  return 0;
}

// update-server-sim: serves a folder as the update, legacy update and feedback servers.
//   update-server-sim --demo DIR       writes the demo content into DIR and serves it on
//                                      127.0.0.1:18080 (update), 18081 (legacy), 18082 (feedback)
//   update-server-sim --root DIR [--port N]   serves DIR on one port (0 or none: any free port)
// Runs until interrupted.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "update_server_sim.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: update-server-sim --demo DIR\n"
               "       update-server-sim --root DIR [--port N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string demoDir;
  std::string root;
  int port = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--demo" && hasValue) {
      demoDir = argv[++i];
    } else if (arg == "--root" && hasValue) {
      root = argv[++i];
    } else if (arg == "--port" && hasValue) {
      port = std::atoi(argv[++i]);
    } else {
      return Usage();
    }
  }
  if (demoDir.empty() == root.empty()) return Usage();

  // Block the stop signals here; the main thread waits for them below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  std::vector<std::unique_ptr<vortik::sim::UpdateServerSim>> servers;
  std::vector<std::pair<const char*, int>> listens;
  if (!demoDir.empty()) {
    if (!vortik::sim::WriteDemoContent(demoDir)) {
      std::fprintf(stderr, "update-server-sim: cannot write the demo content into %s\n",
                   demoDir.c_str());
      return 1;
    }
    root = demoDir;
    listens = {{"update", 18080}, {"legacy", 18081}, {"feedback", 18082}};
  } else {
    listens = {{"all", port}};
  }
  for (const auto& [role, listenPort] : listens) {
    auto server = std::make_unique<vortik::sim::UpdateServerSim>(root);
    if (!server->Start(listenPort)) {
      std::fprintf(stderr, "update-server-sim: cannot listen on 127.0.0.1:%d\n", listenPort);
      return 1;
    }
    std::printf("update-server-sim: %s server at %s serving %s\n", role, server->BaseUrl().c_str(),
                root.c_str());
    servers.push_back(std::move(server));
  }
  std::fflush(stdout);

  int signal = 0;
  sigwait(&stopSignals, &signal);
  servers.clear();
  return 0;
}

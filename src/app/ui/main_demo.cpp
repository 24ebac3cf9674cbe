// Entry of the demo build: servers on 127.0.0.1, the emulated tool at a fixed link, and
// loopback counted as a connection, so the whole upgrade runs without a tool or a network.
#include "app/ui/app_main.h"

int main(int argc, char** argv) {
  vortik::AppConfig config;
  config.updateServer = "http://127.0.0.1:18080";
  config.legacyServer = "http://127.0.0.1:18081";
  config.feedbackServer = "http://127.0.0.1:18082";
  config.loopbackCountsAsConnected = true;
  config.demoDevicePath = "/tmp/vortik-demo/tty";
  config.demoPushOnPrintTab = true;
  // The demo keeps its own servers: a user's configuration file must not point it elsewhere.
  return vortik::RunApplication(argc, argv, config, false);
}

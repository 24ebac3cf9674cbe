// Entry of the production application: built-in server addresses, no arguments read.
#include "app/app_main.h"

int main(int argc, char** argv) {
  vortik::AppConfig config;
  config.updateServer = VORTIK_UPDATE_SERVER;
  config.legacyServer = VORTIK_LEGACY_SERVER;
  config.feedbackServer = VORTIK_FEEDBACK_SERVER;
  return vortik::RunApplication(argc, argv, config);
}

// Entry of the application: no server address is built in; the configuration files and the
// command line give them.
#include "app/ui/app_main.h"

int main(int argc, char** argv) {
  return vortik::RunApplication(argc, argv, vortik::AppConfig{}, true);
}

#include "cli/cli_app.h"

int main(int argc, char** argv) {
  return vortik::cli::RunCli(argc, argv);
}

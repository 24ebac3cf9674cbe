// vortik-cli's entry: reads the command line, runs the command and ends with its exit code
// (and, with --json, one JSON object on stdout).
#pragma once

namespace vortik::cli {

int RunCli(int argc, const char* const* argv);

}  // namespace vortik::cli

// Runs vortik-cli as a child process with a private configuration, temporary folder and
// language, and gives back its exit code and output.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace vortik::test {

struct CliResult {
  int exitCode = -1;  // 128 + n when ended by signal n
  std::string out;
  std::string err;
  double cpuMs = 0;  // the child's processor time, user and system
};

struct CliEnv {
  std::string home;  // XDG_CONFIG_HOME, XDG_CONFIG_DIRS and the output files live below it
  std::string tmp;   // TMPDIR
  std::string cwd;   // the child's folder (empty: this process's)
  std::map<std::string, std::string> extra;  // more variables (LANG, ...)
};

// Starts vortik-cli with `args`, stdin from /dev/null, stdout and stderr to files; does not wait.
pid_t StartCli(const CliEnv& env, const std::vector<std::string>& args);
// Waits for the child started by StartCli and reads its output.
CliResult WaitCli(const CliEnv& env, pid_t pid);
inline CliResult RunCli(const CliEnv& env, const std::vector<std::string>& args) {
  return WaitCli(env, StartCli(env, args));
}

// The environment StartCli gives the child, as "NAME=value" strings.
std::vector<std::string> ChildEnvironment(const CliEnv& env);

}  // namespace vortik::test

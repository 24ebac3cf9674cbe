#include "cli/cli_child.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace vortik::test {

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::vector<std::string> ChildEnvironment(const CliEnv& env) {
  std::map<std::string, std::string> vars = {
      {"PATH", "/usr/bin:/bin"},
      {"XDG_CONFIG_HOME", env.home + "/config"},
      {"XDG_CONFIG_DIRS", env.home + "/xdg"},
      {"XDG_DATA_HOME", env.home + "/data"},
      {"XDG_STATE_HOME", env.home + "/state"},
      {"TMPDIR", env.tmp},
      {"LANG", "C"},
  };
  for (const auto& [name, value] : env.extra) vars[name] = value;
  std::vector<std::string> out;
  for (const auto& [name, value] : vars) out.push_back(name + "=" + value);
  return out;
}

pid_t StartCli(const CliEnv& env, const std::vector<std::string>& args) {
  // Everything the child needs is made before fork: after it only exec-safe calls run.
  std::vector<std::string> argStrings = {VORTIK_CLI_EXE};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStrings = ChildEnvironment(env);
  std::vector<char*> envp;
  for (std::string& var : envStrings) envp.push_back(var.data());
  envp.push_back(nullptr);
  const std::string outPath = env.home + "/stdout.txt";
  const std::string errPath = env.home + "/stderr.txt";
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(120);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (!env.cwd.empty() && ::chdir(env.cwd.c_str()) != 0) ::_exit(121);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  return pid;
}

CliResult WaitCli(const CliEnv& env, pid_t pid) {
  CliResult result;
  int status = 0;
  rusage usage{};
  if (pid <= 0 || ::wait4(pid, &status, 0, &usage) != pid) return result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
  };
  result.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
  result.out = ReadAll(env.home + "/stdout.txt");
  result.err = ReadAll(env.home + "/stderr.txt");
  return result;
}

}  // namespace vortik::test

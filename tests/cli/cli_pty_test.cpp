// vortik-cli on a terminal: the pickers' numbered questions answered through a pseudo-terminal,
// the confirmation asked, and the progress bars drawn and moving on stderr.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <set>

#include "cli/cli_fixture.h"

namespace vortik::test {
namespace {

// The child on the slave side of a new pseudo-terminal, all three standard streams on it.
class TerminalRun {
 public:
  TerminalRun(const CliEnv& env, const std::vector<std::string>& args) {
    std::vector<std::string> argStrings = {VORTIK_CLI_EXE};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = ChildEnvironment(env);
    envStrings.push_back("TERM=xterm");
    std::vector<char*> envp;
    for (std::string& var : envStrings) envp.push_back(var.data());
    envp.push_back(nullptr);
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
  }
  ~TerminalRun() {
    if (master_ >= 0) ::close(master_);
    if (pid_ > 0 && exitCode_ < 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Reads until the output holds `text` (after what was already matched); false after `ms`.
  bool WaitFor(const std::string& text, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (output.find(text, matched_) == std::string::npos) {
      if (std::chrono::steady_clock::now() > end || !ReadSome(50)) return false;
    }
    matched_ = output.find(text, matched_) + text.size();
    return true;
  }
  void Type(const std::string& text) { (void)!::write(master_, text.data(), text.size()); }
  // Reads to the end and gives the exit code.
  int Finish(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end && ReadSome(50)) {
    }
    int status = 0;
    if (::waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) exitCode_ = WEXITSTATUS(status);
    return exitCode_;
  }

  std::string output;

 private:
  // False once the terminal is closed (the child ended).
  bool ReadSome(int ms) {
    pollfd fd{master_, POLLIN, 0};
    if (::poll(&fd, 1, ms) <= 0) return true;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    output.append(buffer, static_cast<size_t>(n));
    return true;
  }

  int master_ = -1;
  pid_t pid_ = -1;
  int exitCode_ = -1;
  size_t matched_ = 0;
};

using CliTerminal = CliFixture;

TEST_F(CliTerminal, PickersAskNumberedAndTheBarsMove) {
  StartFiveHundredFamily(/*wireModel=*/true);

  TerminalRun run(env, Args({"update"}, /*json=*/false));
  ASSERT_TRUE(run.WaitFor("Product of the tool:", 10000)) << run.output;
  ASSERT_TRUE(run.WaitFor("2) BRX450", 2000)) << run.output;
  ASSERT_TRUE(run.WaitFor("Choose 1-3 [1]: ", 2000)) << run.output;
  run.Type("2\n");
  ASSERT_TRUE(run.WaitFor("Language of the BRX450:", 10000)) << run.output;
  ASSERT_TRUE(run.WaitFor("Choose 1-2 [1]: ", 2000)) << run.output;
  run.Type("2\n");
  ASSERT_TRUE(run.WaitFor("[y/N]: ", 10000)) << run.output;
  run.Type("y\n");
  EXPECT_EQ(run.Finish(60000), 0) << run.output;
  EXPECT_NE(run.output.find("Upgrade finished!"), std::string::npos) << run.output;

  // The burn's bar is redrawn in place with the count of blocks going up.
  const std::regex bar(R"(\r\x1b\[K[^\r\n]*\] +(\d+)% (\d+)/(\d+) blocks)");
  std::set<int> done;
  for (std::sregex_iterator it(run.output.begin(), run.output.end(), bar), end; it != end; ++it) {
    done.insert(std::stoi((*it)[2]));
  }
  EXPECT_GE(done.size(), 3u) << run.output;
  // And the chosen product and language were what the server was asked for.
  bool asked = false;
  for (const sim::SimRequest& r : server->Requests()) {
    asked |= r.path == sim::kUpdateEndpoint && r.form.count("getlist") == 0 &&
             r.form.at("types") == "BRX450_DE";
  }
  EXPECT_TRUE(asked);
}

}  // namespace
}  // namespace vortik::test

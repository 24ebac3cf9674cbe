// `vortik-cli update --yes` against the window's way of running the same internet upgrade: the
// emulated tool with the 1,000,000 baud wire model and the demo's offer on a fixture server,
// fresh for every run (ROM and two FLASH parts fetched and burnt). The command line runs as a
// child process, its start-up included; the window's side is RunInternetUpgrade in this
// process with a host that does what the window's does per call: a QProgressBar and a status
// QLabel updated, pending Qt events run (offscreen). Reported: each side's time per run and
// the ratio cli / window, measured in the same run, sides alternating.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/host.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "scantool_sim.h"
#include "update_server_sim.h"
#include "upgrade/catalogue.h"
#include "upgrade/internet_upgrade.h"

extern char** environ;

namespace {

class WindowLikeHost : public vortik::Host {
 public:
  vortik::MainState& state() override { return state_; }
  vortik::Services& services() override { return services_; }
  void SetStatusText(const std::string& utf8) override {
    label_.setText(QString::fromStdString(utf8));
  }
  void SetGaugeMax(int max) override { bar_.setMaximum(max); }
  void SetGaugePos(int pos) override { bar_.setValue(pos); }
  void ShowMessage(const std::string& utf8) override { last = utf8; }
  void ProcessEvents() override { QCoreApplication::processEvents(); }
  void SetUpgradeMode(int mode) override { state_.upgradeMode = mode; }
  void ScanDevicePort() override {}
  std::string last;

 private:
  vortik::MainState state_;
  vortik::Services services_;
  QLabel label_;
  QProgressBar bar_;
};

struct Stage {
  std::filesystem::path root;
  vortik::sim::UpdateServerSim server;
  std::unique_ptr<vortik::sim::ScanToolSim> tool;
  explicit Stage(const std::filesystem::path& dir) : root(dir), server((dir / "server").string()) {}
  bool Fresh() {
    std::filesystem::remove_all(root / "tmp");
    std::filesystem::create_directories(root / "tmp");
    vortik::sim::Options options;
    options.identity = vortik::sim::DemoIdentity();
    options.wireModel = true;
    tool = std::make_unique<vortik::sim::ScanToolSim>(options);
    return tool->Start();
  }
};

double RunCli(Stage& stage) {
  const std::string tmp = "TMPDIR=" + (stage.root / "tmp").string() + "/";
  const std::string config = "XDG_CONFIG_HOME=" + (stage.root / "config").string();
  std::vector<std::string> args = {
      VORTIK_CLI_EXE,         "--quiet", "--port", stage.tool->path(), "--update-server",
      stage.server.BaseUrl(), "update",  "--yes"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envs = {tmp, config, "LANG=C", "PATH=/usr/bin:/bin"};
  std::vector<char*> envp;
  for (std::string& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

double RunWindow(Stage& stage) {
  setenv("TMPDIR", ((stage.root / "tmp").string() + "/").c_str(), 1);
  const auto start = std::chrono::steady_clock::now();
  WindowLikeHost host;
  host.state().internetConnected = true;
  vortik::TSyncUart uart;
  uart.fSetBaudRate(1000000);
  uart.fSetPort(vortik::Ports().Register(stage.tool->path()));
  uart.SetEventHost(&host);
  if (!uart.Open()) return -1;
  vortik::CatalogueState catalogue;
  vortik::AppConfig config;
  config.updateServer = stage.server.BaseUrl();
  const vortik::InternetUpgradeReport report =
      vortik::RunInternetUpgrade(host, uart, catalogue, config);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report.romBurnt && report.flashBurnt ? seconds : -1;
}

void BM_UpdateCliVersusWindow(benchmark::State& state) {
  // Not under $TMPDIR: the window's runs point it into this folder.
  const std::filesystem::path dir = "/tmp/vortik-cli-bench-" + std::to_string(getpid());
  Stage stage(dir);
  if (!vortik::sim::WriteDemoContent((dir / "server").string()) || !stage.server.Start()) {
    state.SkipWithError("no fixture server");
    return;
  }
  double cli = 0, window = 0;
  for (auto _ : state) {
    if (!stage.Fresh()) return state.SkipWithError("no pseudo-terminal");
    const double c = RunCli(stage);
    if (!stage.Fresh()) return state.SkipWithError("no pseudo-terminal");
    const double w = RunWindow(stage);
    if (c < 0 || w < 0) return state.SkipWithError("a run failed");
    cli += c;
    window += w;
    state.SetIterationTime(c + w);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["cli_s"] = cli / n;
  state.counters["window_s"] = window / n;
  state.counters["ratio"] = cli / window;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_UpdateCliVersusWindow)
    ->UseManualTime()
    ->Iterations(5)
    ->Repetitions(3)
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// vortik-soak: runs the internet upgrade again and again in one process, through the same core
// flow the window runs, against the emulated tool on a real pseudo-terminal and the fixture
// servers on 127.0.0.1, with one fault drawn at random for each run. After every run it checks
// the one outcome against the fault, the time taken, the temporary folder, the tool's images
// and the process's descriptors, threads and memory, and at the end prints a table.
//
// Usage: vortik-soak [--runs N] [--seed S] [--fault K] [--verbose]
// (--fault K draws fault K of the table every time, to chase one finding.)
// Exit status 0 when every check held, 1 when one failed, 2 when the rig could not be set up.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/host.h"
#include "device/device_commands.h"
#include "device/frame.h"
#include "device/port_table.h"
#include "device/sync_uart.h"
#include "platform/download.h"
#include "scantool_sim.h"
#include "update_server_sim.h"
#include "upgrade/catalogue.h"
#include "upgrade/flash_parts.h"
#include "upgrade/internet_upgrade.h"

namespace fs = std::filesystem;

namespace vortik::soak {
namespace {

using Clock = std::chrono::steady_clock;

// --- the faults ---------------------------------------------------------------------------------

enum class Fault {
  kNone,
  kToolSilence,         // the tool falls silent at block k and stays silent
  kToolRefusedWithin,   // block k refused one time less than its attempts: it gets through
  kToolRefusedBeyond,   // block k refused on every attempt
  kToolBadCrc,          // one reply with a broken CRC
  kToolWrongCode,       // one reply with another command's code
  kToolUnplugQuery,     // unplugged instead of answering who it is
  kToolUnplugDownload,  // unplugged while the files download
  kToolUnplugBurn,      // unplugged instead of acknowledging block k
  kToolRestart,         // restarts (link gone, back on a new terminal) after the upgrade
  kServerRefused,       // nothing listens at the server's address
  kServer500,           // the endpoint or a file answers 500
  kServerStall,         // the legacy endpoint answers after its deadline
  kServerShortBody,     // a file ends before its announced length
  kServerWrongDigest,   // a file arrives changed
  kServerSlowDrip,      // the ROM comes in small pieces with pauses
  kServerReset,         // the connection is reset half-way through the ROM
  kMachineTmpFull,      // the temporary folder has no room for the ROM
  kMachinePortTaken,    // another program holds the tool's port
  kCount,
};

struct FaultName {
  Fault fault;
  const char* group;
  const char* name;
};
constexpr FaultName kFaultNames[] = {
    {Fault::kNone, "none", "none"},
    {Fault::kToolSilence, "tool", "silence at block k"},
    {Fault::kToolRefusedWithin, "tool", "refused within limit"},
    {Fault::kToolRefusedBeyond, "tool", "refused beyond limit"},
    {Fault::kToolBadCrc, "tool", "bad CRC once"},
    {Fault::kToolWrongCode, "tool", "wrong code once"},
    {Fault::kToolUnplugQuery, "tool", "unplug during query"},
    {Fault::kToolUnplugDownload, "tool", "unplug during download"},
    {Fault::kToolUnplugBurn, "tool", "unplug during burn"},
    {Fault::kToolRestart, "tool", "restart after upgrade"},
    {Fault::kServerRefused, "server", "connection refused"},
    {Fault::kServer500, "server", "status 500"},
    {Fault::kServerStall, "server", "stall past deadline"},
    {Fault::kServerShortBody, "server", "body shorter than announced"},
    {Fault::kServerWrongDigest, "server", "wrong digest"},
    {Fault::kServerSlowDrip, "server", "slow drip"},
    {Fault::kServerReset, "server", "reset mid-body"},
    {Fault::kMachineTmpFull, "machine", "TMPDIR full"},
    {Fault::kMachinePortTaken, "machine", "port taken"},
};

const FaultName& NameOf(Fault fault) {
  return kFaultNames[static_cast<size_t>(fault)];
}

// --- what the servers offer ---------------------------------------------------------------------

constexpr size_t kTrailerBytes = 48;  // the legacy files' verification trailer

sim::Identity ExtendedTool() {
  return sim::DemoIdentity();
}

sim::Identity LegacyTool() {
  return sim::LegacyIdentity();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The offered files by local name, the blocks each burn takes, and where the FLASH parts sit.
struct Offer {
  std::map<std::string, std::string> files;  // local name -> bytes as served
  std::string romName, legacyRomName = "rom.bin", legacyFlashName = "flash.bin";
  std::string romPath = "/rom/TQ460.rom";  // server paths the faults aim at
  std::string partPath = "/flash/TQ460_3.fls";
  std::string legacyRomPath = "/legacy/rom.bin", legacyFlashPath = "/legacy/flash.bin";
  // The changed part (3) and the first part, with their addresses in the tool's FLASH.
  std::vector<std::pair<uint32_t, std::string>> burntParts;
  int romBlocks = 0, flashBlocks = 0;              // extended: data blocks, list block apart
  int legacyRomBlocks = 0, legacyFlashBlocks = 0;  // trailers cut off first
};

Offer ReadOffer(const std::string& root) {
  Offer offer;
  offer.romName = "TQ460.rom";
  offer.files["TQ460.rom"] = ReadAll(root + "/files/rom/TQ460.rom");
  const std::vector<sim::DemoPart> layout = sim::DemoFlashLayout();
  uint32_t address = 0;
  std::vector<uint32_t> addresses;
  for (size_t i = 0; i < layout.size(); ++i) {
    const std::string name = "TQ460_" + std::to_string(i + 1) + ".fls";
    std::string path = root + "/files/flash/";
    path += name;
    offer.files[name] = ReadAll(path);
    addresses.push_back(address);
    address += layout[i].size;
  }
  offer.burntParts = {{addresses[2], offer.files["TQ460_3.fls"]},
                      {addresses[0], offer.files["TQ460_1.fls"]}};
  offer.files["rom.bin"] = ReadAll(root + "/files/legacy/rom.bin");
  offer.files["flash.bin"] = ReadAll(root + "/files/legacy/flash.bin");
  const sim::Identity ext = ExtendedTool();
  const sim::Identity leg = LegacyTool();
  auto blocks = [](size_t bytes, uint16_t block) {
    return static_cast<int>((bytes + block - 1) / block);
  };
  offer.romBlocks = blocks(offer.files["TQ460.rom"].size(), ext.romBlockSize);
  offer.flashBlocks = blocks(layout[2].size + layout[0].size, kPartListBlockSize);
  offer.legacyRomBlocks = blocks(offer.files["rom.bin"].size() - kTrailerBytes, leg.romBlockSize);
  offer.legacyFlashBlocks =
      blocks(offer.files["flash.bin"].size() - kTrailerBytes, leg.flashBlockSize);
  return offer;
}

// --- a server that resets the connection half-way through its body
// --------------------------------

class ResetServer {
 public:
  explicit ResetServer(std::string body) : body_(std::move(body)) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_, 8) != 0) {
      return;
    }
    socklen_t size = sizeof addr;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &size);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~ResetServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listen_);
  }
  int port() const { return port_; }

 private:
  void Run() {
    while (!stop_) {
      pollfd p{listen_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      // The request's head, then half the body, then a reset instead of the rest.
      std::string in;
      char buf[4096];
      while (in.find("\r\n\r\n") == std::string::npos) {
        pollfd q{fd, POLLIN, 0};
        if (::poll(&q, 1, 2000) <= 0) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        in.append(buf, static_cast<size_t>(n));
      }
      const std::string head =
          "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) + "\r\n\r\n";
      const std::string out = head + body_.substr(0, body_.size() / 2);
      (void)::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      linger reset{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
      ::close(fd);
    }
  }

  std::string body_;
  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A loopback port nobody listens on.
int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
    addr.sin_port = htons(1);  // a privileged port nothing here listens on
  }
  ::close(fd);
  return ntohs(addr.sin_port);
}

// --- the front end ------------------------------------------------------------------------------

// A Host that shows nothing, keeps what would have been shown, reopens the tool's port when the
// flow asks for a new search, and keeps the history in memory.
class SoakHost : public Host {
 public:
  SoakHost(TSyncUart& uart, std::string toolPath) : uart_(uart), toolPath_(std::move(toolPath)) {
    services_.recordHistory = [this](const UpgradeRecord& record) { records.push_back(record); };
  }
  MainState& state() override { return state_; }
  Services& services() override { return services_; }
  void SetStatusText(const std::string& utf8) override {
    downloading_ = utf8 == Msg(TextId::MsgInfo3) || utf8 == Msg(TextId::MsgInfo4);
  }
  void SetGaugeMax(int) override {}
  void SetGaugePos(int) override {}
  void ShowMessage(const std::string& utf8) override { messages.push_back(utf8); }
  void ProcessEvents() override {
    if (downloading_ && onDownload) {
      auto once = std::move(onDownload);
      onDownload = nullptr;
      once();
    }
  }
  void SetUpgradeMode(int mode) override { state_.upgradeMode = mode; }
  // As the window does: closes the port and opens the tool's port again when it is present.
  void ScanDevicePort() override {
    uart_.Close();
    uart_.fSetPort(Ports().Register(toolPath_));
    state_.comPort = uart_.Open() ? 1 : 0;
  }

  std::vector<UpgradeRecord> records;
  std::vector<std::string> messages;
  std::function<void()> onDownload;  // runs once, at the first event pump of a download

 private:
  TSyncUart& uart_;
  std::string toolPath_;
  MainState state_;
  Services services_;
  bool downloading_ = false;
};

// --- the process's resources --------------------------------------------------------------------

struct Resources {
  int fds = 0;
  int threads = 0;
  long rssKb = 0;
};

Resources Measure() {
  Resources r;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++r.fds;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/task")) ++r.threads;
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  r.rssKb = resident * (sysconf(_SC_PAGESIZE) / 1024);
  return r;
}

// --- one run ------------------------------------------------------------------------------------

struct Plan {
  Fault fault = Fault::kNone;
  bool legacy = false;
  std::string detail;
  std::set<std::string> expected;  // outcome keys the fault allows
  int budgetMs = 15000;
  bool keepTmp = false;  // the last run's files stay: this run reuses them
};

struct Result {
  std::string outcome;
  double ms = 0;
  std::vector<std::string> problems;
};

class Soak {
 public:
  Soak(std::string work, uint64_t seed) : work_(std::move(work)), rng_(seed) {}

  ~Soak() {
    if (tmpfsMounted_) ::umount2(tmpFull_.c_str(), MNT_DETACH);
  }

  bool SetUp() {
    fs::remove_all(work_);
    tmp_ = work_ + "/tmp";
    tmpFull_ = work_ + "/tmp-full";
    fs::create_directories(tmp_);
    fs::create_directories(tmpFull_);
    // A temporary folder with no room for the ROM: a 16 KiB tmpfs when the machine lets us
    // mount one, else a folder whose downloads fail as a full disk makes them fail.
    tmpfsMounted_ = ::mount("tmpfs", tmpFull_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                            "size=16k,mode=0700") == 0;
    setenv("TMPDIR", tmp_.c_str(), 1);
    server_ = std::make_unique<sim::UpdateServerSim>(work_ + "/server");
    if (!sim::WriteDemoContent(work_ + "/server") || !server_->Start()) return false;
    offer_ = ReadOffer(work_ + "/server");
    resetServer_ = std::make_unique<ResetServer>(offer_.files[offer_.romName]);
    sim::Options options;
    options.identity = ExtendedTool();
    options.linkPath = work_ + "/tty";
    tool_ = std::make_unique<sim::ScanToolSim>(options);
    if (!tool_->Start()) return false;
    uart_.fSetBaudRate(1000000);
    host_ = std::make_unique<SoakHost>(uart_, tool_->path());
    host_->ScanDevicePort();
    host_->state().internetConnected = true;
    return host_->state().comPort > 0;
  }

  bool tmpfs() const { return tmpfsMounted_; }

  // `only` >= 0 draws that fault every time (to chase one finding).
  Plan Draw(int only) {
    Plan plan;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(Fault::kCount) - 1);
    plan.fault = static_cast<Fault>(pick(rng_));
    if (only >= 0) plan.fault = static_cast<Fault>(only);
    plan.legacy = std::uniform_int_distribution<int>(0, 3)(rng_) == 0;
    if (plan.fault == Fault::kServerStall) plan.legacy = true;  // the legacy query's 5 s deadline
    if (plan.fault == Fault::kServerReset || plan.fault == Fault::kMachineTmpFull ||
        plan.fault == Fault::kServerSlowDrip) {
      plan.legacy = false;  // aimed at the extended tool's 192 KiB ROM
    }
    if (plan.fault == Fault::kNone) plan.keepTmp = Coin();
    return plan;
  }

  Result RunOnce(Plan& plan) {
    Prepare(plan);
    Arm(plan);
    host_->records.clear();
    const auto start = Clock::now();
    CatalogueState catalogue;
    RunInternetUpgrade(*host_, uart_, catalogue, config_);
    Result result;
    result.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    Check(plan, result);
    Disarm(plan, result);
    return result;
  }

  const Offer& offer() const { return offer_; }

 private:
  bool Coin() { return std::uniform_int_distribution<int>(0, 1)(rng_) == 1; }
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  void Prepare(const Plan& plan) {
    tool_->ClearFaults();
    server_->ClearFaults();
    server_->ClearRequests();  // the rig's own log would otherwise grow with the runs
    host_->messages.clear();
    if (!tool_->running() || !fs::exists(tool_->path())) (void)tool_->Replug();
    tool_->SetIdentity(plan.legacy ? LegacyTool() : ExtendedTool());
    tool_->storage().Clear();
    if (!plan.keepTmp) {
      for (const auto& e : fs::directory_iterator(tmp_)) fs::remove_all(e.path());
    }
    setenv("TMPDIR", tmp_.c_str(), 1);
    config_.updateServer = config_.legacyServer = server_->BaseUrl();
    config_.loopbackCountsAsConnected = true;
    host_->ScanDevicePort();
  }

  // Burn blocks as the tool counts BurnBlock requests: the ROM's, then the FLASH's (for an
  // extended tool the part-list block first). Gives the request to strike, its attempts and
  // the outcome of a burn that fails there.
  struct BlockPick {
    int skip;
    int attempts;
    const char* failure;
  };
  BlockPick PickBlock(const Plan& plan) {
    const int rom = plan.legacy ? offer_.legacyRomBlocks : offer_.romBlocks;
    const int flash = plan.legacy ? offer_.legacyFlashBlocks : offer_.flashBlocks + 1;
    const int k = Uniform(0, rom + flash - 1);
    if (k < rom) return {k, kCmdBurnBlock.attempts, "rom-burn-failed"};
    // The part list is block 0 of the FLASH burn; the parts' data get more attempts.
    const bool partData = !plan.legacy && k > rom;
    return {k, partData ? kBurnBlockPartListAttempts : kCmdBurnBlock.attempts, "flash-burn-failed"};
  }

  void Arm(Plan& plan) {
    const std::string rom = plan.legacy ? offer_.legacyRomPath : offer_.romPath;
    const std::string flash = plan.legacy ? offer_.legacyFlashPath : offer_.partPath;
    const std::string endpoint = plan.legacy ? sim::kLegacyEndpoint : sim::kUpdateEndpoint;
    sim::SimFault f;
    plan.expected = {"burned"};
    switch (plan.fault) {
      case Fault::kNone:
        plan.detail = plan.keepTmp ? "files kept from the last run" : "";
        break;
      case Fault::kToolSilence: {
        const BlockPick b = PickBlock(plan);
        tool_->AddFault({sim::Fault::kSilent, kCmdBurnBlock.code, b.skip, -1});
        plan.detail = "block request " + std::to_string(b.skip);
        plan.expected = {b.failure};
        plan.budgetMs = 30000;
        break;
      }
      case Fault::kToolRefusedWithin:
      case Fault::kToolRefusedBeyond: {
        const BlockPick b = PickBlock(plan);
        const bool within = plan.fault == Fault::kToolRefusedWithin;
        const int count = within ? b.attempts - 1 : b.attempts;
        tool_->AddFault({sim::Fault::kBadStatus, kCmdBurnBlock.code, b.skip, count});
        plan.detail = std::to_string(count) + " refusals at block request " +
                      std::to_string(b.skip) + " of " + std::to_string(b.attempts) + " attempts";
        if (!within) plan.expected = {b.failure};
        break;
      }
      case Fault::kToolBadCrc:
      case Fault::kToolWrongCode: {
        const uint16_t commands[] = {kCmdRequestDeviceInfo.code, kCmdNotifyLatestVersion.code,
                                     kCmdNotifyFirmwareSize.code, kCmdBurnBlock.code};
        const uint16_t command = commands[Uniform(0, 3)];
        const int skip = command == kCmdBurnBlock.code ? PickBlock(plan).skip : 0;
        tool_->AddFault(
            {plan.fault == Fault::kToolBadCrc ? sim::Fault::kBadCrc : sim::Fault::kWrongCode,
             command, skip, 1});
        char text[48];
        std::snprintf(text, sizeof text, "command %04X, request %d", command, skip);
        plan.detail = text;
        break;
      }
      case Fault::kToolUnplugQuery:
        tool_->AddFault({sim::Fault::kUnplug, kCmdRequestDeviceInfo.code, 0, 1});
        plan.expected = {"no-device-info"};
        break;
      case Fault::kToolUnplugDownload:
        host_->onDownload = [this] { tool_->Unplug(); };
        // The images are fetched whole, then the tool is not there to take them.
        plan.expected = {"size-refused", "rom-burn-failed", "flash-burn-failed"};
        plan.budgetMs = 30000;
        break;
      case Fault::kToolUnplugBurn: {
        const BlockPick b = PickBlock(plan);
        tool_->AddFault({sim::Fault::kUnplug, kCmdBurnBlock.code, b.skip, 1});
        plan.detail = "block request " + std::to_string(b.skip);
        plan.expected = {b.failure};
        plan.budgetMs = 30000;
        break;
      }
      case Fault::kToolRestart:
        plan.detail = "down 300 ms";
        break;
      case Fault::kServerRefused:
        config_.updateServer = config_.legacyServer =
            "http://127.0.0.1:" + std::to_string(ClosedPort());
        plan.expected = {"no-offer"};
        break;
      case Fault::kServer500: {
        f.status = 500;
        const int target = Uniform(0, 2);
        const std::string path = target == 0 ? endpoint : target == 1 ? rom : flash;
        server_->SetFault(path, f);
        plan.detail = path;
        plan.expected = {target == 0   ? "no-offer"
                         : target == 1 ? "rom-fetch-failed"
                                       : "flash-fetch-failed"};
        break;
      }
      case Fault::kServerStall:
        f.delayMs = 6500;
        server_->SetFault(endpoint, f);
        plan.detail = endpoint;
        plan.expected = {"no-offer"};
        break;
      case Fault::kServerShortBody:
      case Fault::kServerWrongDigest: {
        const bool toRom = Coin();
        if (plan.fault == Fault::kServerShortBody) {
          f.truncateAfter = 1000;
        } else {
          f.wrongDigest = true;
        }
        server_->SetFault(toRom ? rom : flash, f);
        plan.detail = toRom ? rom : flash;
        const bool shortBody = plan.fault == Fault::kServerShortBody;
        plan.expected = {toRom ? (shortBody ? "rom-fetch-failed" : "rom-wrong-digest")
                               : (shortBody ? "flash-fetch-failed" : "flash-wrong-digest")};
        break;
      }
      case Fault::kServerSlowDrip:
        f.chunkBytes = 16384;
        f.chunkDelayMs = 20;
        server_->SetFault(rom, f);
        plan.detail = rom + " in 16 KiB pieces, 20 ms apart";
        break;
      case Fault::kServerReset:
        f.redirectTo = "http://127.0.0.1:" + std::to_string(resetServer_->port()) + "/rom";
        server_->SetFault(rom, f);
        plan.expected = {"rom-fetch-failed"};
        break;
      case Fault::kMachineTmpFull:
        if (tmpfsMounted_) {
          for (const auto& e : fs::directory_iterator(tmpFull_)) fs::remove_all(e.path());
          setenv("TMPDIR", tmpFull_.c_str(), 1);
          plan.detail = "16 KiB tmpfs";
        } else {
          // No mount allowed: a download backend whose every transfer fails, as one into a full
          // disk does once the platform has removed its partial file.
          host_->services().download = [](const std::string&, const std::string&,
                                          const platform::DownloadProgressHandler&) {
            return false;
          };
          plan.detail = "simulated: every download fails";
        }
        plan.expected = {"rom-fetch-failed"};
        break;
      case Fault::kMachinePortTaken:
        // Another program has the port open and locked, as terminal programs do.
        uart_.Close();
        takenFd_ = ::open(tool_->path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (takenFd_ >= 0) ::flock(takenFd_, LOCK_EX | LOCK_NB);
        host_->ScanDevicePort();
        plan.expected = {"no-device-info"};
        plan.detail = host_->state().comPort > 0 ? "port opened all the same" : "";
        plan.budgetMs = 20000;
        break;
      case Fault::kCount:
        break;
    }
  }

  void Disarm(const Plan& plan, Result& result) {
    host_->onDownload = nullptr;
    host_->services().download = nullptr;
    if (takenFd_ >= 0) {
      ::close(takenFd_);
      takenFd_ = -1;
    }
    if (plan.fault == Fault::kToolRestart && result.outcome == "burned") {
      // The tool restarts: its terminal vanishes, comes back at the same link, and reports the
      // versions it was brought to.
      tool_->Unplug();
      host_->ScanDevicePort();
      if (host_->state().comPort > 0) result.problems.push_back("port opened while unplugged");
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      if (!tool_->Replug()) result.problems.push_back("tool did not come back");
      host_->ScanDevicePort();
      const std::optional<DeviceInfo> info = RequestDeviceInfo(*host_, uart_);
      if (!info) {
        result.problems.push_back("no device info after the restart");
      } else if (FieldText(info->romVersion) != "1.2.0" ||
                 FieldText(info->flashVersion) != "2.1.0") {
        result.problems.push_back("after the restart the tool reports " +
                                  FieldText(info->romVersion) + "/" +
                                  FieldText(info->flashVersion));
      }
    }
  }

  void Check(const Plan& plan, Result& result) {
    auto problem = [&result](std::string text) { result.problems.push_back(std::move(text)); };
    if (host_->records.size() != 1) {
      problem(std::to_string(host_->records.size()) + " outcomes");
      result.outcome = host_->records.empty() ? "(none)" : host_->records.back().outcome;
    } else {
      result.outcome = host_->records[0].outcome;
    }
    if (plan.expected.count(result.outcome) == 0) problem("unexpected outcome " + result.outcome);
    const bool success = !host_->records.empty() && host_->records.back().success;
    if (success != (result.outcome == "burned")) problem("success flag disagrees with outcome");
    if (host_->messages.empty()) problem("no message shown");
    if (result.ms > plan.budgetMs) {
      problem("took " + std::to_string(static_cast<int>(result.ms)) + " ms of " +
              std::to_string(plan.budgetMs));
    }
    if (host_->state().upgradeMode != kUpgradeIdle) problem("window left busy");
    CheckFolder(tmp_, problem);
    if (tmpfsMounted_) CheckFolder(tmpFull_, problem);
    if (success) CheckImages(plan, problem);
  }

  // Every file in the temporary folder is an offered file whole (the legacy ones possibly with
  // their trailer cut off, as the check leaves them): nothing partial or unverified under a
  // final name, and no temporary file left over.
  template <class Problem>
  void CheckFolder(const std::string& dir, Problem& problem) {
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      const auto offered = offer_.files.find(name);
      if (offered == offer_.files.end()) {
        problem("left in TMPDIR: " + name);
        continue;
      }
      const std::string bytes = ReadAll(e.path().string());
      const std::string& want = offered->second;
      const bool legacy = name == offer_.legacyRomName || name == offer_.legacyFlashName;
      if (bytes != want && !(legacy && bytes == want.substr(0, want.size() - kTrailerBytes))) {
        problem("unverified file under its final name: " + name + " (" +
                std::to_string(bytes.size()) + " B)");
      }
    }
  }

  template <class Problem>
  void CheckImages(const Plan& plan, Problem& problem) {
    auto same = [](const std::optional<std::vector<uint8_t>>& image, const std::string& want) {
      return image && std::string(image->begin(), image->end()) == want;
    };
    sim::SimStorage& storage = tool_->storage();
    if (plan.legacy) {
      const std::string& rom = offer_.files.at(offer_.legacyRomName);
      const std::string& flash = offer_.files.at(offer_.legacyFlashName);
      if (!same(storage.Image(FirmwareKind::kRom), rom.substr(0, rom.size() - kTrailerBytes))) {
        problem("tool's ROM differs from the offer");
      }
      if (!same(storage.Image(FirmwareKind::kFlash),
                flash.substr(0, flash.size() - kTrailerBytes))) {
        problem("tool's FLASH differs from the offer");
      }
      return;
    }
    if (!same(storage.Image(FirmwareKind::kRom), offer_.files.at(offer_.romName))) {
      problem("tool's ROM differs from the offer");
    }
    const std::map<uint32_t, std::vector<uint8_t>> flash = storage.Flash();
    for (const auto& [address, bytes] : offer_.burntParts) {
      const auto at = flash.find(address);
      if (at == flash.end() || std::string(at->second.begin(), at->second.end()) != bytes) {
        problem("tool's FLASH part at " + std::to_string(address) + " differs from the offer");
      }
    }
  }

  std::string work_, tmp_, tmpFull_;
  std::mt19937_64 rng_;
  bool tmpfsMounted_ = false;
  std::unique_ptr<sim::UpdateServerSim> server_;
  std::unique_ptr<ResetServer> resetServer_;
  std::unique_ptr<sim::ScanToolSim> tool_;
  TSyncUart uart_;
  std::unique_ptr<SoakHost> host_;
  AppConfig config_;
  Offer offer_;
  int takenFd_ = -1;
};

// Resident memory may wander by what the allocator keeps; more than this is growth.
constexpr long kRssSlackKb = 16L * 1024;

// AddressSanitizer keeps freed memory in quarantine (256 MiB by default), so resident memory
// grows with any churn there; its leak check at the end judges instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kJudgeMemory = false;
#else
constexpr bool kJudgeMemory = true;
#endif

int Main(int argc, char** argv) {
  int runs = 200;
  uint64_t seed = static_cast<uint64_t>(Clock::now().time_since_epoch().count()) % 1000000007ULL;
  bool verbose = false;
  int only = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--fault" && i + 1 < argc) {
      only = std::clamp(std::atoi(argv[++i]), 0, static_cast<int>(Fault::kCount) - 1);
    } else if (arg == "--verbose") {
      verbose = true;
    } else {
      std::fprintf(stderr, "usage: vortik-soak [--runs N] [--seed S] [--fault K] [--verbose]\n");
      return 2;
    }
  }
  std::printf("vortik-soak: %d runs, seed %llu\n", runs, static_cast<unsigned long long>(seed));
  std::fflush(stdout);
  const std::string work =
      (fs::temp_directory_path() / ("vortik-soak-" + std::to_string(getpid()))).string();
  int failed = 0;
  {
    Soak soak(work, seed);
    if (!soak.SetUp()) {
      std::fprintf(stderr, "vortik-soak: cannot set up the tool and servers\n");
      fs::remove_all(work);
      return 2;
    }
    std::map<std::string, int> faults, outcomes;
    double slowest = 0;
    std::string slowestWhat;
    Resources first, last, peak;
    for (int run = 1; run <= runs; ++run) {
      Plan plan = soak.Draw(only);
      const Result result = soak.RunOnce(plan);
      const FaultName& name = NameOf(plan.fault);
      ++faults[std::string(name.group) + ": " + name.name];
      ++outcomes[result.outcome];
      if (result.ms > slowest) {
        slowest = result.ms;
        slowestWhat = std::string(name.name) + (plan.legacy ? ", legacy tool" : "");
      }
      const Resources now = Measure();
      if (run == 1) first = peak = now;
      peak.fds = std::max(peak.fds, now.fds);
      peak.threads = std::max(peak.threads, now.threads);
      peak.rssKb = std::max(peak.rssKb, now.rssKb);
      last = now;
      if (verbose || !result.problems.empty()) {
        std::printf("run %3d  %-7s %-28s %-6s %-20s %7.0f ms  fds %d threads %d rss %ld KiB  %s\n",
                    run, name.group, name.name, plan.legacy ? "legacy" : "ext",
                    result.outcome.c_str(), result.ms, now.fds, now.threads, now.rssKb,
                    plan.detail.c_str());
      }
      for (const std::string& p : result.problems) std::printf("    FAIL: %s\n", p.c_str());
      failed += result.problems.empty() ? 0 : 1;
      std::fflush(stdout);
    }
    // A stalled request's connection may still be open on the server's side for a few seconds.
    for (int i = 0; i < 80 && Measure().fds > first.fds; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    last = Measure();
    std::printf("\n| soak | seed %llu |\n| --- | --- |\n", static_cast<unsigned long long>(seed));
    std::printf("| runs | %d (%d with a failed check) |\n", runs, failed);
    std::printf("| TMPDIR full | %s |\n",
                soak.tmpfs() ? "a 16 KiB tmpfs" : "simulated by a failing download backend");
    for (const auto& [what, n] : faults) std::printf("| fault %s | %d |\n", what.c_str(), n);
    for (const auto& [what, n] : outcomes) std::printf("| outcome %s | %d |\n", what.c_str(), n);
    std::printf("| slowest run | %.0f ms (%s) |\n", slowest, slowestWhat.c_str());
    std::printf("| descriptors first -> last (peak) | %d -> %d (%d) |\n", first.fds, last.fds,
                peak.fds);
    std::printf("| threads first -> last (peak) | %d -> %d (%d) |\n", first.threads, last.threads,
                peak.threads);
    std::printf("| resident memory first -> last (peak) | %ld -> %ld KiB (%ld) |\n", first.rssKb,
                last.rssKb, peak.rssKb);
    // Descriptors and threads come back to their level exactly; memory may wander by what the
    // allocator keeps, but not grow with the runs.
    if (last.fds > first.fds || last.threads > first.threads) {
      std::printf("FAIL: descriptors or threads grew over the runs\n");
      ++failed;
    }
    if (!kJudgeMemory) {
      std::printf(
          "(resident memory not judged under AddressSanitizer: its quarantine holds "
          "freed memory; LeakSanitizer checks for leaks at exit)\n");
    } else if (last.rssKb > first.rssKb + kRssSlackKb) {
      std::printf("FAIL: resident memory grew by more than 16 MiB over the runs\n");
      ++failed;
    }
  }
  fs::remove_all(work);
  std::printf("%s\n", failed == 0 ? "vortik-soak: every check held" : "vortik-soak: FAILED");
  return failed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace vortik::soak

int main(int argc, char** argv) {
  return vortik::soak::Main(argc, argv);
}

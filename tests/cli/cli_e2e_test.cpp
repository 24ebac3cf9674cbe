// vortik-cli end to end: each command as a child process against the emulated tool and the
// fixture servers, checked by what the tool and the servers saw, the exit code and the --json
// object.
#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "cli/cli_fixture.h"
#include "upgrade/history.h"

namespace vortik::test {
namespace {

using Cli = CliFixture;

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Waits until `done` holds, at most `ms`.
bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

TEST_F(Cli, DevicesAndInfoDescribeTheTool) {
  StartTool();
  const CliResult devices = Run({"devices"});
  ASSERT_EQ(devices.exitCode, 0) << devices.err;
  const Json list(devices.out);
  ASSERT_TRUE(list.ok()) << devices.out;
  EXPECT_EQ(list.Text({"outcome"}), "done");
  EXPECT_EQ(list.Text({"devices", "0", "port"}), tool->path());
  EXPECT_EQ(list.Text({"devices", "0", "type"}), "TQ460");
  EXPECT_EQ(list.Text({"devices", "0", "rom_version"}), "1.1.0");
  EXPECT_EQ(list.Text({"devices", "0", "id"}), "000000000001");

  const CliResult info = Run({"info"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  const Json json(info.out);
  EXPECT_EQ(json.Text({"device", "flash_version"}), "2.0.0");
  EXPECT_EQ(json.Number({"device", "parts"}), 5);
  EXPECT_EQ(Requests(kCmdRequestDeviceInfo.code), 2);
  EXPECT_EQ(Requests(kCmdQueryId.code), 1);
  EXPECT_EQ(Requests(kCmdNotifyLatestVersion.code), 0);

  // Plain text without --json: the fields on stdout.
  const CliResult plain = Run({"info"}, false);
  EXPECT_NE(plain.out.find("TQ460"), std::string::npos) << plain.out;
}

TEST_F(Cli, UpdateCheckAsksOnlyWhatFindingTheOfferNeeds) {
  Serve();
  StartTool();
  const CliResult check = Run({"update", "--check"});
  EXPECT_EQ(check.exitCode, 10) << check.err;
  const Json json(check.out);
  ASSERT_TRUE(json.ok()) << check.out;
  EXPECT_EQ(json.Text({"outcome"}), "newer_available");
  EXPECT_EQ(json.Text({"before", "rom"}), "1.1.0");
  EXPECT_EQ(json.Text({"offered", "rom"}), "1.2.0");
  EXPECT_EQ(json.Text({"offered", "flash"}), "2.1.0");
  EXPECT_TRUE(json.Strings({"fetched"}).empty());
  // The device information and the server's offer; no version notice, no download, no burn.
  EXPECT_EQ(Requests(kCmdRequestDeviceInfo.code), 1);
  EXPECT_EQ(Requests(kCmdNotifyLatestVersion.code), 0);
  EXPECT_EQ(Requests(kCmdBurnBlock.code), 0);
  EXPECT_EQ(Fetches(), 0);
  EXPECT_FALSE(tool->storage().Image(FirmwareKind::kRom).has_value());
}

TEST_F(Cli, UpdateYesBurnsTheOfferThenNothingIsNewer) {
  Serve();
  StartTool();
  const CliResult update = Run({"update", "--yes"});
  ASSERT_EQ(update.exitCode, 0) << update.err;
  const Json json(update.out);
  ASSERT_TRUE(json.ok()) << update.out;
  EXPECT_EQ(json.Text({"outcome"}), "burned");
  EXPECT_EQ(json.Text({"message"}), "Upgrade finished!");
  EXPECT_EQ(json.Strings({"burnt"}), (std::vector<std::string>{"rom", "flash"}));
  EXPECT_EQ(json.Text({"after", "rom"}), "1.2.0");
  EXPECT_EQ(json.Text({"after", "flash"}), "2.1.0");
  // The ROM and, of the FLASH, the part that differs and the first part (burnt last).
  const std::vector<std::string> fetched = json.Strings({"fetched"});
  ASSERT_EQ(fetched.size(), 3u);
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kRom), ReadFileBytes(fetched[0]));
  ASSERT_EQ(tool->storage().Parts().size(), 2u);
  EXPECT_EQ(Requests(kCmdNotifyLatestVersion.code), 1);

  const CliResult again = Run({"update", "--check"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_EQ(Json(again.out).Text({"outcome"}), "up_to_date");

  // The update left one record in the history; the checks left none.
  const CliResult history = Run({"history"});
  ASSERT_EQ(history.exitCode, 0) << history.err;
  const Json records(history.out);
  ASSERT_TRUE(records.ok()) << history.out;
  EXPECT_EQ(records.Text({"outcome"}), "listed");
  const std::vector<UpgradeRecord> kept = ReadHistory(env.home + "/state/vortik/history.jsonl");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].outcome, "burned");
  EXPECT_EQ(kept[0].romBefore, "1.1.0");
  EXPECT_EQ(kept[0].romAfter, "1.2.0");
  EXPECT_EQ(kept[0].files.size(), 3u);
  EXPECT_GT(kept[0].blocksSent, 0u);
}

// Every way the run can end, by the fault that causes it: its exit code and outcome name.
TEST_F(Cli, OutcomesMapToTheirExitCodes) {
  struct Case {
    const char* name;
    std::function<void(Cli&)> arrange;
    std::vector<std::string> command;
    int exitCode;
    const char* outcome;
  };
  const auto toolFault = [](sim::Fault fault, uint16_t command) {
    return [fault, command](Cli& t) { t.tool->AddFault({fault, command, 0, -1}); };
  };
  const auto serverFault = [](const std::string& path, sim::SimFault fault) {
    return [path, fault](Cli& t) { t.server->SetFault(path, fault); };
  };
  sim::SimFault status500;
  status500.status = 500;
  sim::SimFault wrongDigest;
  wrongDigest.wrongDigest = true;
  sim::SimFault truncated;
  truncated.truncateAfter = 1000;
  const std::vector<Case> cases = {
      {"silent tool",
       toolFault(sim::Fault::kSilent, kCmdRequestDeviceInfo.code),
       {"update", "--yes"},
       1,
       "no_device_info"},
      {"version refused",
       toolFault(sim::Fault::kBadStatus, kCmdNotifyLatestVersion.code),
       {"update", "--yes"},
       1,
       "version_not_taken"},
      {"burn refused",
       toolFault(sim::Fault::kBadStatus, kCmdBurnBlock.code),
       {"update", "--yes"},
       1,
       "rom_burn_failed"},
      {"server error",
       serverFault(sim::kUpdateEndpoint, status500),
       {"update", "--check"},
       4,
       "no_offer"},
      {"ROM missing",
       serverFault("/rom/TQ460.rom", status500),
       {"update", "--yes"},
       4,
       "rom_fetch_failed"},
      {"ROM digest",
       serverFault("/rom/TQ460.rom", wrongDigest),
       {"update", "--yes"},
       5,
       "rom_wrong_digest"},
      {"FLASH part digest",
       serverFault("/flash/TQ460_3.fls", wrongDigest),
       {"update", "--yes"},
       5,
       "flash_wrong_digest"},
      {"no confirmation", nullptr, {"update"}, 6, "confirmation_needed"},
      {"no server", [](Cli& t) { t.server->Stop(); }, {"update", "--check"}, 4, "no_offer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Serve();
    StartTool();
    server->ClearFaults();
    server->ClearRequests();
    // Each case fetches afresh: files of an earlier case would be reused.
    std::filesystem::remove_all(env.tmp);
    std::filesystem::create_directories(env.tmp);
    if (c.arrange) c.arrange(*this);
    const CliResult result = Run(c.command);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    const Json json(result.out);
    ASSERT_TRUE(json.ok()) << result.out;
    EXPECT_EQ(json.Number({"exit_code"}), c.exitCode);
    EXPECT_EQ(json.Text({"outcome"}), c.outcome);
    // Exactly one message of ours for a failure (the HTTP client's own diagnostic lines, such as
    // "connect error!", may stand beside it).
    if (c.exitCode != 0) {
      size_t ours = 0;
      for (size_t at = result.err.find("vortik-cli: "); at != std::string::npos;
           at = result.err.find("vortik-cli: ", at + 1)) {
        ++ours;
      }
      EXPECT_EQ(ours, 1u) << result.err;
    }
    // Nothing that failed left a FLASH image in the tool.
    EXPECT_FALSE(tool->storage().Image(FirmwareKind::kFlash).has_value());
    tool.reset();
    if (std::string(c.name) == "no server") {
      ASSERT_TRUE(server->Start());
    }
  }
}

TEST_F(Cli, NoToolUsageAndNoServerAreTheirOwnCodes) {
  // No tool at the port given.
  env.extra["LANG"] = "C";
  const CliResult noTool = RunCli(env, {"--json", "--port", dir.path() + "/none", "info"});
  EXPECT_EQ(noTool.exitCode, 3);
  EXPECT_EQ(Json(noTool.out).Text({"outcome"}), "no_tool");
  // A usage error still gives its object.
  const CliResult usage = RunCli(env, {"--json", "update", "--bogus"});
  EXPECT_EQ(usage.exitCode, 2);
  const Json json(usage.out);
  ASSERT_TRUE(json.ok()) << usage.out;
  EXPECT_EQ(json.Number({"exit_code"}), 2);
  EXPECT_EQ(json.Text({"outcome"}), "usage");
  // No server address anywhere: nothing is sent, and the message names the user's file.
  StartTool();
  const CliResult noServer = RunCli(env, {"--json", "--port", tool->path(), "update", "--check"});
  EXPECT_EQ(noServer.exitCode, 4);
  EXPECT_EQ(Json(noServer.out).Text({"outcome"}), "no_server");
  EXPECT_NE(noServer.err.find(dir.path() + "/config/vortik/vortik.conf"), std::string::npos)
      << noServer.err;
  EXPECT_EQ(Requests(kCmdRequestDeviceInfo.code), 0);
}

TEST_F(Cli, FiveHundredFamilyWithoutTerminalNeedsItsChoiceOrTakesTheOptions) {
  StartFiveHundredFamily();
  const CliResult asked = Run({"update", "--check"});
  EXPECT_EQ(asked.exitCode, 6) << asked.err;
  EXPECT_EQ(Json(asked.out).Text({"outcome"}), "choice_needed");
  EXPECT_EQ(Requests(kCmdNotifyLatestVersion.code), 0);

  const CliResult unknown = Run({"update", "--check", "--product", "XX1"});
  EXPECT_EQ(unknown.exitCode, 2) << unknown.err;

  server->ClearRequests();
  const CliResult chosen = Run({"update", "--yes", "--product", "brx450", "--language", "de"});
  ASSERT_EQ(chosen.exitCode, 0) << chosen.err;
  std::vector<std::string> offers;
  for (const sim::SimRequest& r : server->Requests()) {
    if (r.path == sim::kUpdateEndpoint && r.form.count("getlist") == 0) {
      offers.push_back(r.form.at("types"));
    }
  }
  EXPECT_EQ(offers, std::vector<std::string>{"BRX450_DE"});
  // Another product: both images and every part.
  EXPECT_EQ(Json(chosen.out).Strings({"burnt"}), (std::vector<std::string>{"rom", "flash"}));
  EXPECT_EQ(tool->storage().Parts().size(), 4u);
}

TEST_F(Cli, FlashBurnsTheFilesGivenAndRefusesAMissingOneUntouched) {
  StartTool();
  const std::vector<uint8_t> rom = PatternBytes(5000, 7);
  const std::vector<uint8_t> logo = PatternBytes(9000, 8);
  ASSERT_TRUE(WriteFileBytes(dir.File("rom.bin"), rom));
  ASSERT_TRUE(WriteFileBytes(dir.File("logo.bin"), logo));
  const CliResult missing = Run({"flash", "--rom", dir.File("rom.bin"), "--flash", dir.File("no")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_EQ(Json(missing.out).Text({"outcome"}), "invalid_file");
  EXPECT_EQ(Requests(kCmdRequestDeviceInfo.code), 0);

  const CliResult burnt =
      Run({"flash", "--rom", dir.File("rom.bin"), "--logo", dir.File("logo.bin")});
  ASSERT_EQ(burnt.exitCode, 0) << burnt.err;
  EXPECT_EQ(Json(burnt.out).Strings({"burnt"}), (std::vector<std::string>{"rom", "logo"}));
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kRom), rom);
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kLogo), logo);
}

TEST_F(Cli, IdIsSetThenRead) {
  StartTool();
  const CliResult invalid = Run({"id", "--set", "12AB"});
  EXPECT_EQ(invalid.exitCode, 2);
  EXPECT_EQ(Requests(kCmdSetId.code), 0);
  const CliResult set = Run({"id", "--set", " 000000004711 "});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(tool->identity().id, "000000004711");
  const CliResult read = Run({"id"});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  EXPECT_EQ(Json(read.out).Text({"id"}), "000000004711");
  tool->AddFault({sim::Fault::kSilent, kCmdQueryId.code, 0, -1});
  EXPECT_EQ(Run({"id"}).exitCode, 1);
}

TEST_F(Cli, DtcSearchesTheTableAsThePageDoes) {
  const std::string folder = dir.File("work");
  std::filesystem::create_directories(folder + "/DtcLookup");
  ASSERT_TRUE(WriteFileText(folder + "/DtcLookup/OBDII.txt",
                            "P0300 Generic Random misfire detected\n"
                            "P0301 Generic Cylinder 1 misfire\n"
                            "B1000 Ford Body \x1b[31mcontrol\n"));
  env.cwd = folder;
  const CliResult found = RunCli(env, {"--json", "dtc", " p030"});
  ASSERT_EQ(found.exitCode, 0) << found.err;
  const Json json(found.out);
  EXPECT_EQ(json.Number({"count"}), 2);
  EXPECT_EQ(json.Text({"matches", "1", "contents"}), "Cylinder 1 misfire");
  // The table's bytes reach a terminal without their control characters.
  const CliResult plain = RunCli(env, {"dtc", "B1000"});
  EXPECT_EQ(plain.out.find('\x1b'), std::string::npos);
  EXPECT_NE(plain.out.find("Body ?[31mcontrol"), std::string::npos) << plain.out;
  const CliResult none = RunCli(env, {"--json", "dtc", "U9"});
  EXPECT_EQ(none.exitCode, 0);
  EXPECT_EQ(Json(none.out).Text({"outcome"}), "no_match");
}

TEST_F(Cli, FeedbackSendsTheFormOrNamesTheEmptyField) {
  const std::vector<std::string> fields = {"--field", "product=TQ460",
                                           "--field", "contact_information=Jo",
                                           "--field", "email=jo@example.org",
                                           "--field", "manufacture_brand=Opel",
                                           "--field", "model=Astra",
                                           "--field", "origin=DE",
                                           "--field", "vin_code=W0L000051T2123456",
                                           "--field", "problems=No start & smoke"};
  std::vector<std::string> partial(fields.begin(), fields.end() - 2);
  partial.insert(partial.begin(), "feedback");
  const CliResult empty = Run(partial);
  EXPECT_EQ(empty.exitCode, 2);
  EXPECT_EQ(Json(empty.out).Text({"field"}), "problems");
  EXPECT_TRUE(server->Requests().empty());

  std::vector<std::string> all(fields);
  all.insert(all.begin(), "feedback");
  const CliResult sent = Run(all);
  ASSERT_EQ(sent.exitCode, 0) << sent.err;
  const std::vector<sim::SimRequest> requests = server->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, sim::kFeedbackEndpoint);
  ASSERT_EQ(requests[0].fields.size(), 9u);
  EXPECT_EQ(requests[0].fields[8],
            (std::pair<std::string, std::string>{"problems", "No start & smoke"}));
  EXPECT_EQ(Run({"feedback", "--field", "colour=red"}).exitCode, 2);
}

TEST_F(Cli, ListenWritesTheReportAndTheCapture) {
  StartTool();
  const pid_t pid = StartCli(env, Args({"listen", "--seconds", "4", "--report", dir.File("r.txt"),
                                        "--capture", dir.File("c.csv")}));
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  tool->PushReport(Bytes("Battery test\r\n"));
  // The capture comes in reads of its own, as a tool sends it after a pause.
  tool->Push(sim::CaptureFrames(sim::CaptureSamples(sim::CaptureShape::kRamp, 500), 200, true),
             300);
  const CliResult result = WaitCli(env, pid);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const Json json(result.out);
  ASSERT_TRUE(json.ok()) << result.out;
  EXPECT_EQ(json.Number({"captures", "0", "samples"}), 500);
  std::ifstream csv(dir.File("c.csv"));
  std::string line;
  int lines = 0;
  while (std::getline(csv, line)) ++lines;
  EXPECT_EQ(lines, 501);  // the header and one line a sample
  const std::vector<uint8_t> report = ReadFileBytes(dir.File("r.txt"));
  EXPECT_NE(std::string(report.begin(), report.end()).find("Battery test"), std::string::npos);
}

// An unplugged tool ends `listen` with the tool gone. The hung-up port is readable at once with
// nothing to read until the loop sees, once a second, that the device has gone: the loop waits
// in between, it does not spin a processor.
TEST_F(Cli, ListenEndsWhenTheToolIsUnpluggedWithoutSpinning) {
  StartTool();
  // What starting and a second of listening cost, for comparison.
  const CliResult quiet = WaitCli(env, StartCli(env, Args({"listen", "--seconds", "1"})));
  ASSERT_EQ(quiet.exitCode, 0) << quiet.err;

  const pid_t pid = StartCli(env, Args({"listen", "--seconds", "20"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  tool->Unplug();
  const auto unplugged = std::chrono::steady_clock::now();
  const CliResult result = WaitCli(env, pid);
  const double waited =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - unplugged)
          .count();
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_EQ(Json(result.out).Text({"outcome"}), "tool_gone") << result.out;
  EXPECT_LT(waited, 5000);
  // Spinning took the whole time from the unplug to the check on top of the rest.
  EXPECT_LT(result.cpuMs, quiet.cpuMs + waited / 2)
      << "quiet " << quiet.cpuMs << " ms, waited " << waited << " ms";
}

TEST_F(Cli, InterruptDuringTheBurnFinishesTheBlockAndSaysTheToolWaits) {
  Serve();
  StartTool(sim::DemoIdentity(), /*wireModel=*/true);
  const pid_t pid = StartCli(env, Args({"update", "--yes"}));
  ASSERT_TRUE(WaitFor([&] { return Requests(kCmdBurnBlock.code) >= 5; }, 20000));
  ::kill(pid, SIGINT);
  const CliResult result = WaitCli(env, pid);
  EXPECT_EQ(result.exitCode, 7) << result.err;
  EXPECT_NE(result.err.find("update mode"), std::string::npos) << result.err;
  // Every block sent was answered: the burn stopped between blocks.
  EXPECT_EQ(static_cast<int>(tool->storage().Blocks().size()), Requests(kCmdBurnBlock.code));
  EXPECT_FALSE(tool->storage().Image(FirmwareKind::kFlash).has_value());
}

TEST_F(Cli, InterruptDuringADownloadLeavesNoPartialFile) {
  Serve();
  sim::SimFault slow;
  slow.chunkBytes = 4096;
  slow.chunkDelayMs = 100;
  server->SetFault("/rom/TQ460.rom", slow);
  StartTool();
  const pid_t pid = StartCli(env, Args({"update", "--yes"}));
  ASSERT_TRUE(WaitFor([&] { return Fetches() >= 1; }, 10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  ::kill(pid, SIGINT);
  const CliResult result = WaitCli(env, pid);
  EXPECT_EQ(result.exitCode, 7) << result.err;
  const Json json(result.out);
  EXPECT_EQ(json.Text({"outcome"}), "interrupted");
  EXPECT_TRUE(std::filesystem::is_empty(env.tmp));
  EXPECT_EQ(Requests(kCmdBurnBlock.code), 0);
}

}  // namespace
}  // namespace vortik::test

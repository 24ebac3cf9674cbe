// "Check Update" end to end: the main window offscreen, the emulated tool on a pseudo-terminal
// and the fixture server on 127.0.0.1, all in this process. A click on the page's label runs
// the whole internet upgrade; the tests look at what the tool holds afterwards, what the server
// was asked and the one message the user saw.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/ui/form_main.h"
#include "base/app_config.h"
#include "base/config_file.h"
#include "device/frame.h"
#include "device/port_discovery.h"
#include "feedback/feedback.h"
#include "feedback/ui/feedback_form.h"
#include "helpers/click.h"
#include "helpers/scoped_env.h"
#include "helpers/test_config.h"
#include "helpers/test_dialogs.h"
#include "platform/device_enum.h"
#include "scantool_sim.h"
#include "skin/ui/message_box.h"
#include "update_server_sim.h"
#include "upgrade/burn_engine.h"
#include "upgrade/catalogue.h"
#include "upgrade/firmware_file.h"
#include "upgrade/firmware_fixtures.h"
#include "upgrade/flash_parts.h"
#include "upgrade/internet_upgrade.h"
#include "upgrade/pickers.h"

namespace vortik {
namespace {

const std::string kFinished = "Upgrade finished!";
const std::string kNoTool = "Please connect the device to the computer";
const std::string kNothingNewer = "Nothing to be upgrade, The local device is alread the latest!";
const std::string kNoInternet = "Internet is not connected!";
const std::string kDeviceInfoFailed = "Fail to request device info!";
const std::string kServerFailed = "Fail to request server, pelease try later!";
const std::string kNotifyVersionFailed = "Fail to nofity latest version to device!";
const std::string kNotifySizeFailed = "Fail to nofity firmware size to device!";
const std::string kRomDownloadFailed = "Fail to download rom upgrade files!";
const std::string kFlashDownloadFailed = "Fail to download flash DTC files!";
const std::string kRomSizeFailed = "check rom file size failure, please update again!";
const std::string kRomMd5Failed = "check rom file MD5 failure, please update again!";
const std::string kFlashSizeFailed = "check flash file size failure, please update again!";
const std::string kFlashMd5Failed = "check flash file MD5 failure, please update again!";
const std::string kRomBurnFailed = "Burn ROM fail!";
const std::string kFlashBurnFailed = "Burn FLASH fail!";

constexpr char kUpdateEndpoint[] = "/HandheldDeviceUpdate/OSSService.php";
constexpr char kLegacyEndpoint[] = "/uplink/vx_checkupgrade.php";

class FakeLister : public platform::DeviceLister {
 public:
  bool ListTtyDevices(std::vector<platform::TtyDevice>& out) override {
    out = devices;
    return true;
  }
  std::vector<platform::TtyDevice> devices;
};

sim::SimFault Status(int status) {
  sim::SimFault fault;
  fault.status = status;
  return fault;
}

std::string Text(const std::vector<uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}
std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}
std::string Pattern(size_t size, uint32_t seed) {
  return Text(test::PatternBytes(size, seed));
}
std::string WithTrailer(const std::string& bytes, const std::string& dir,
                        test::TrailerKind kind = test::TrailerKind::kValidLower) {
  const std::string path = dir + "/trailer.tmp";
  test::WriteFileText(path, bytes);
  test::AppendMd5Trailer(path, kind);
  std::string out = Text(test::ReadFileBytes(path));
  std::filesystem::remove(path);
  return out;
}

// The tool's table for a parted FLASH laid out as `parts` (entry 0 spans them all).
std::vector<PartEntry> TableOf(const std::vector<sim::DemoPart>& parts) {
  std::vector<test::PartDef> defs;
  for (const sim::DemoPart& part : parts) defs.push_back({part.size, part.tag});
  return test::MakePartTable(defs);
}

// What the tool was told by NotifyLatestVersion.
struct Told {
  int count = -1;
  std::string type, subtype, rom, flash;
};

// Small images, so a run takes milliseconds: a 6000-byte ROM and four FLASH parts.
const std::vector<sim::DemoPart> kLayout = {
    {12288, 0x11}, {4096, 0x12}, {8192, 0x13}, {4096, 0x14}};

sim::Identity ExtendedTool() {
  sim::Identity id;
  id.form = sim::Identity::InfoForm::kLong;
  id.type = "TQ460";
  id.subtype = "EU";
  id.romVersion = "1.1.0";
  id.flashVersion = "2.0.0";
  id.romBlockSize = 512;
  id.flashBlockSize = 1024;
  // The tool's table differs from the offer in part 3 only.
  std::vector<sim::DemoPart> older = kLayout;
  older[2].tag = 0x03;
  for (const PartEntry& e : TableOf(older)) id.parts.push_back(e);
  return id;
}

sim::Identity LegacyTool() {
  return sim::LegacyIdentity();
}

class CheckUpdate : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_FALSE(dir.path().empty());
    tmp = dir.path() + "/tmp/";
    ASSERT_TRUE(std::filesystem::create_directories(tmp));
    if (const char* old = getenv("TMPDIR")) oldTmp = old;
    setenv("TMPDIR", tmp.c_str(), 1);
    server = std::make_unique<sim::UpdateServerSim>(dir.path() + "/server");
    ASSERT_TRUE(server->Start());
    config.updateServer = server->BaseUrl();
    config.legacyServer = server->BaseUrl();
    config.loopbackCountsAsConnected = true;
    ResetPickers();
    dialogs_.answers->message = [this](QWidget*, const QString& text, const QString&) {
      messages.push_back(text.toStdString());
      if (form != nullptr) {
        statusAtMessages.push_back(
            form->findChild<QLabel*>(QStringLiteral("Label_Status"))->text().toStdString());
      }
    };
  }

  void TearDown() override {
    gaugeWatch.reset();
    form.reset();
    tool.reset();
    server.reset();
    if (oldTmp) {
      setenv("TMPDIR", oldTmp->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  // What one run leaves behind for the next: the pickers a case set.
  void ResetPickers() {
    services.pickLanguage = nullptr;
    services.pickCarType = nullptr;
  }

  // Starts the tool as `identity`, then the window, which finds and opens it.
  // `wireModel`: the tool answers at the pace of the 1,000,000-baud line, as a real one does.
  void Open(const sim::Identity& identity, bool wireModel = false) {
    sim::Options options;
    options.identity = identity;
    options.wireModel = wireModel;
    tool = std::make_unique<sim::ScanToolSim>(options);
    ASSERT_TRUE(tool->Start());
    lister.devices = {{tool->path(), 0x1A86, 0xFE0C}};
    form = std::make_unique<TFormMain>(config, services);
    dialogs_.InstallOn(form.get());
    // Built now, as a visit would: its buttons must follow the run as well.
    form->page(PageId::kLocalUpgrade);
    ASSERT_GT(form->state().comPort, 0);
    form->state().internetConnected = true;
    gauge = form->findChild<QProgressBar*>(QStringLiteral("ProgressBar10"));
    ASSERT_NE(gauge, nullptr);
    // Every change of the gauge's maximum, as seen whenever pending events run.
    gaugeWatch = std::make_unique<QTimer>();
    gaugeWatch->setInterval(0);
    QObject::connect(gaugeWatch.get(), &QTimer::timeout, [this] {
      if (gaugeMaxima.empty() || gaugeMaxima.back() != gauge->maximum()) {
        gaugeMaxima.push_back(gauge->maximum());
      }
    });
    gaugeWatch->start();
  }

  // The user's click on "Check Update": on its caption, which lets the click through to the
  // button under it.
  void ClickCheckUpdate() {
    messages.clear();
    statusAtMessages.clear();
    gaugeMaxima = {gauge->maximum()};
    auto* label = form->findChild<QLabel*>(QStringLiteral("Label_CheckUpdate"));
    ASSERT_NE(label, nullptr);
    const QPoint at = label->mapTo(form.get(), label->rect().center());
    QWidget* target = form->childAt(at);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->objectName(), QStringLiteral("Button_InternetUpdate"));
    test::SendLeftClick(target, target->mapFrom(form.get(), at));
  }

  void ExpectIdle() const {
    EXPECT_EQ(form->state().upgradeMode, 0);
    EXPECT_EQ(form->state().progressMode, 0);
    EXPECT_TRUE(form->findChild<QWidget*>(QStringLiteral("Label_CheckUpdate"))->isEnabled());
    EXPECT_TRUE(form->findChild<QWidget*>(QStringLiteral("Button_InternetUpdate"))->isEnabled());
    EXPECT_TRUE(form->findChild<QWidget*>(QStringLiteral("Button_LocalUpgrade1"))->isEnabled());
    // After the run the status line shows the tool's port again, not the run's last step.
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("Label_Status"))->text().toStdString(),
              ConnectedStatusText(form->state().langText, form->state().comPort));
  }

  // --- server content ---------------------------------------------------------------------

  std::string Root() const { return server->Root(); }
  void Serve(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(sim::WriteSimFile(Root(), "files/" + path, bytes));
  }
  // The legacy server's reply line.
  void OfferLegacy(const std::string& romVersion, const std::string& romPath, size_t romLength,
                   const std::string& flashVersion, const std::string& flashPath,
                   size_t flashLength) {
    ASSERT_TRUE(sim::WriteSimFile(Root(), "legacy/default.txt",
                                  "OK|" + romVersion + "|" + romPath + "|" +
                                      std::to_string(romLength) + "|" + flashVersion + "|" +
                                      flashPath + "|" + std::to_string(flashLength) + "|"));
  }
  // The legacy files of `rom` and `flash` (trailers included when the text has one).
  void ServeLegacy(const std::string& romVersion, const std::string& rom,
                   const std::string& flashVersion, const std::string& flash) {
    Serve("legacy/rom.bin", rom);
    Serve("legacy/flash.bin", flash);
    OfferLegacy(romVersion, "/legacy/rom.bin", rom.size(), flashVersion, "/legacy/flash.bin",
                flash.size());
  }
  // The update server's offer: a ROM and the parted FLASH of kLayout as parts TQ460_<k>.fls.
  sim::DemoContent ExtendedContent() const {
    sim::DemoContent content;
    content.productType = "TQ460";
    content.romVersion = "1.2.0";
    content.flashVersion = "2.1.0";
    content.romImage = rom;
    content.flashParts = parts;
    return content;
  }
  void ServeExtended(const sim::DemoContent& content) {
    ASSERT_TRUE(sim::WriteDemoContent(Root(), content));
  }
  // Replaces `from` by `to` in a reply file of the server.
  void EditReply(const std::string& relative, const std::string& from, const std::string& to) {
    std::string text = Text(test::ReadFileBytes(Root() + "/" + relative));
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    ASSERT_TRUE(sim::WriteSimFile(Root(), relative, text));
  }

  int Fetches(const std::string& path) const {
    int n = 0;
    for (const auto& r : server->Requests()) n += r.method == "GET" && r.path == "/" + path;
    return n;
  }
  std::vector<int> PartFetches() const {
    std::vector<int> out;
    for (size_t k = 1; k <= parts.size(); ++k) {
      out.push_back(Fetches("flash/TQ460_" + std::to_string(k) + ".fls"));
    }
    return out;
  }
  // The product types the update server's offer was asked for.
  std::vector<std::string> OfferQueries() const {
    std::vector<std::string> out;
    for (const auto& r : server->Requests()) {
      if (r.path == kUpdateEndpoint && r.form.count("getlist") == 0)
        out.push_back(r.form.at("types"));
    }
    return out;
  }

  Told LastTold() const {
    const std::vector<uint8_t> frame = tool->LastRequest(kCmdNotifyLatestVersion.code);
    Told told;
    if (frame.size() < static_cast<size_t>(kFramePayloadOffset + kNotifyLatestVersionPayload)) {
      return told;
    }
    const std::optional<VersionNotice> notice =
        DecodeVersionNotice(frame.data() + kFramePayloadOffset, kNotifyLatestVersionPayload);
    if (!notice) return told;
    told.count = notice->images;
    told.type = notice->type;
    told.subtype = notice->subtype;
    told.rom = notice->romVersion;
    told.flash = notice->flashVersion;
    return told;
  }
  // Addresses of the parts of the last part-list burn, in burn order.
  std::vector<uint32_t> BurntPartAddresses() const {
    std::vector<uint32_t> out;
    for (const sim::StoredPart& part : tool->storage().Parts()) out.push_back(part.address);
    return out;
  }
  uint32_t PartAddress(size_t k) const {  // part k, 1-based
    return PartEntryAddress(TableOf(kLayout)[k]);
  }
  bool Holds(FirmwareKind kind) const { return tool->storage().Image(kind).has_value(); }

  test::ScopedTempDir dir;
  std::string tmp;
  std::optional<std::string> oldTmp;
  std::unique_ptr<sim::UpdateServerSim> server;
  AppConfig config = test::TestConfig();  // the test's server, loopback counted as connected
  FakeLister lister;
  Services services = test::ServicesListing(lister);  // the window's; cases set pickers
  std::unique_ptr<sim::ScanToolSim> tool;
  test::TestDialogs dialogs_;
  std::unique_ptr<TFormMain> form;
  QProgressBar* gauge = nullptr;
  std::unique_ptr<QTimer> gaugeWatch;
  std::vector<int> gaugeMaxima;  // the maximum before the click, then each new one
  std::vector<std::string> messages;
  std::vector<std::string> statusAtMessages;  // the status line as each message box opened

  const std::string rom = Pattern(6000, 1);
  const std::vector<std::string> parts = sim::PartedFlashFiles(kLayout);
};

// The configuration as the application reads it at start: the user's vortik.conf in a folder of
// the test's own, read through the command line's handling.
class Configured : public CheckUpdate {
 protected:
  void ReadConfiguration(const std::string& text) {
    ASSERT_TRUE(std::filesystem::create_directories(dir.File("config/vortik")));
    ASSERT_TRUE(test::WriteFileText(dir.File("config/vortik/vortik.conf"), text));
    config.updateServer.clear();
    config.legacyServer.clear();
    config.feedbackServer.clear();
    const char* argv[] = {"vortik"};
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(HandleCommandLine(1, argv, stdout, err, config, true), std::nullopt);
    std::fclose(err);
  }
  // Fills the Feedback page's form and sends it.
  void SendFeedback() {
    form->ShowPage(PageId::kFeedback);
    auto* feedback = form->findChild<FeedbackForm*>();
    ASSERT_NE(feedback, nullptr);
    const QString typed[kFeedbackFieldCount] = {"TQ850",   "1",  "a@b.de", "VW",   "Golf",
                                                "2015/01", "DE", "WVW",    "P0420"};
    for (int i = 0; i < kFeedbackFieldCount; ++i) {
      if (auto* edit = qobject_cast<QLineEdit*>(feedback->field(i))) edit->setText(typed[i]);
      if (auto* edit = qobject_cast<QPlainTextEdit*>(feedback->field(i))) {
        edit->setPlainText(typed[i]);
      }
    }
    messages.clear();
    feedback->summitButton()->click();
  }

  test::ScopedEnv systemFolders{"XDG_CONFIG_DIRS", dir.File("no-system")};
  test::ScopedEnv userFolder{"XDG_CONFIG_HOME", dir.File("config")};
};

TEST_F(Configured, TheUpgradeAndTheFeedbackReachTheServersOfTheFile) {
  ReadConfiguration("[servers]\nupdate = " + server->BaseUrl() + "/\nlegacy = " +
                    server->BaseUrl() + "\nfeedback = " + server->BaseUrl() + "\n");
  const std::string legacyRom = Pattern(3000, 4);
  const std::string legacyFlash = Pattern(4000, 5);
  ServeLegacy("1.1.0", WithTrailer(legacyRom, dir.path()), "1.2.0",
              WithTrailer(legacyFlash, dir.path()));
  Open(LegacyTool());
  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kRom), Bytes(legacyRom));
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kFlash), Bytes(legacyFlash));

  server->ClearRequests();
  SendFeedback();
  EXPECT_EQ(messages, std::vector<std::string>{form->Msg(TextId::MsgInfo1)});
  ASSERT_EQ(server->Requests().size(), 1u);
  EXPECT_EQ(server->Requests()[0].fields[0].second, "TQ850");
}

// An installed copy nobody configured: "Check Update" and the Feedback page each say so once,
// naming the file to edit, and nothing reaches a server (nor the tool, for the upgrade).
TEST_F(Configured, WithoutServersNothingIsSentAndTheFileIsNamed) {
  ReadConfiguration("[servers]\n;update = https://HOST/PATH\n");
  ServeLegacy("1.1.0", Pattern(3000, 4), "1.2.0", Pattern(4000, 5));
  Open(LegacyTool());
  const int infoRequests = tool->RequestCount(kCmdRequestDeviceInfo.code);
  ClickCheckUpdate();
  const std::string expected = WithConfigFile(form->Msg(TextId::MsgNoServer));
  EXPECT_NE(expected.find(dir.File("config/vortik/vortik.conf")), std::string::npos) << expected;
  EXPECT_EQ(messages, std::vector<std::string>{expected});
  EXPECT_EQ(tool->RequestCount(kCmdRequestDeviceInfo.code), infoRequests);
  ExpectIdle();

  SendFeedback();
  EXPECT_EQ(messages, std::vector<std::string>{expected});
  EXPECT_TRUE(server->Requests().empty());
}

TEST_F(CheckUpdate, LegacyToolGetsBothFilesWithoutTheirTrailers) {
  const std::string legacyRom = Pattern(5000, 2);
  const std::string legacyFlash = Pattern(9000, 3);
  const std::string romFile = WithTrailer(legacyRom, dir.path());
  const std::string flashFile =
      WithTrailer(legacyFlash, dir.path(), test::TrailerKind::kValidUpper);
  ServeLegacy("1.1.0", romFile, "1.2.0", flashFile);
  Open(LegacyTool());

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  // Announced and burnt without the trailers.
  EXPECT_EQ(tool->storage().Announced(FirmwareKind::kRom), legacyRom.size());
  EXPECT_EQ(tool->storage().Announced(FirmwareKind::kFlash), legacyFlash.size());
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kRom), Bytes(legacyRom));
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kFlash), Bytes(legacyFlash));
  const Told told = LastTold();
  EXPECT_EQ(told.count, 2);
  EXPECT_EQ(told.type, "TQ850");
  EXPECT_EQ(told.subtype, "1.2");
  EXPECT_EQ(told.rom, "1.1.0");
  EXPECT_EQ(told.flash, "1.2.0");
  // One gauge for both downloads: ROM and FLASH file sizes, then the same less the ROM's cut
  // trailer; each burn then has a gauge of its own.
  ASSERT_GE(gaugeMaxima.size(), 3u);
  EXPECT_EQ(gaugeMaxima[1], static_cast<int>(romFile.size() + flashFile.size()));
  EXPECT_EQ(gaugeMaxima[2], static_cast<int>(legacyRom.size() + flashFile.size()));
  EXPECT_EQ(gauge->value(), 0);
  EXPECT_EQ(OfferQueries(), std::vector<std::string>{});  // the legacy server alone was asked
  ExpectIdle();

  // The tool now reports what it was told: a second run finds nothing newer and burns nothing.
  const size_t blocks = tool->storage().Blocks().size();
  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kNothingNewer});
  EXPECT_EQ(statusAtMessages, std::vector<std::string>{kNothingNewer});
  EXPECT_EQ(LastTold().count, 0);
  EXPECT_EQ(tool->storage().Blocks().size(), blocks);
  ExpectIdle();
}

TEST_F(CheckUpdate, ExtendedToolGetsOnlyTheChangedPartsAndReusesFetchedFiles) {
  sim::DemoContent content = ExtendedContent();
  content.languages = {"EN", "DE"};
  ServeExtended(content);
  std::vector<std::string> pickerModels;
  services.pickLanguage = [&](const std::string& model, const std::vector<std::string>&,
                              int preselected) -> std::optional<int> {
    pickerModels.push_back(model);
    return preselected;
  };
  const sim::Identity before = ExtendedTool();
  Open(before);

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(pickerModels, std::vector<std::string>{"TQ460"});
  EXPECT_EQ(OfferQueries(), std::vector<std::string>{"TQ460_EN"});
  const Told told = LastTold();
  EXPECT_EQ(told.count, 2);
  EXPECT_EQ(told.type, "TQ460_EN");
  // The first part (it holds the table), then the one changed part; nothing else.
  EXPECT_EQ(PartFetches(), (std::vector<int>{1, 0, 1, 0}));
  EXPECT_EQ(Fetches("rom/TQ460.rom"), 1);
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kRom), Bytes(rom));
  // Burnt in one part-list burn: the changed part, the first part last.
  EXPECT_EQ(BurntPartAddresses(), (std::vector<uint32_t>{PartAddress(3), PartAddress(1)}));
  EXPECT_EQ(tool->storage().Announced(FirmwareKind::kFlash),
            parts[2].size() + parts[0].size() + kPartListAnnounceExtra);
  auto flash = tool->storage().Flash();
  EXPECT_EQ(flash[PartAddress(3)], Bytes(parts[2]));
  EXPECT_EQ(flash[PartAddress(1)], Bytes(parts[0]));
  // The tool took the offered table and the told versions.
  const sim::Identity after = tool->identity();
  EXPECT_EQ(after.parts.size(), kLayout.size() + 1);
  EXPECT_EQ(after.parts[3], TableOf(kLayout)[3]);
  EXPECT_EQ(after.romVersion, "1.2.0");
  EXPECT_EQ(after.flashVersion, "2.1.0");
  ExpectIdle();

  // The same tool again: the files fetched last time are verified and used, none is fetched.
  tool->SetIdentity(before);
  tool->storage().Clear();
  server->ClearRequests();
  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(PartFetches(), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(Fetches("rom/TQ460.rom"), 0);
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kRom), Bytes(rom));
  EXPECT_EQ(BurntPartAddresses(), (std::vector<uint32_t>{PartAddress(3), PartAddress(1)}));
  ExpectIdle();
}

TEST_F(CheckUpdate, VersionsDecideWhatIsFetchedAndBurnt) {
  struct Case {
    const char* toolRom;
    const char* toolFlash;
    const char* serverRom;
    const char* serverFlash;
    int count;
    bool rom;
    bool flash;
  } cases[] = {
      {"1.1", "2.0", "1.2", "2.1", 2, true, true},
      {"1.2.3", "2.0", "1.2.3", "2.1", 1, false, true},
      {"1.2.3", "2.1", "1.2.4", "2.1", 1, true, false},
      {"1.0.0", "1.0.0", "1.0.0", "1.0.0", 0, false, false},
      {"1.2.9", "1.2.9", "1.2", "1.2", 0, false, false},  // 1.2 counts as equal to 1.2.9
      {"1.10", "1.9", "1.9", "1.10", 1, false, true},
  };
  const std::string legacyRom = Pattern(3000, 4);
  const std::string legacyFlash = Pattern(7000, 5);
  Open(LegacyTool());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.toolRom) + "/" + c.toolFlash + " vs " + c.serverRom + "/" +
                 c.serverFlash);
    sim::Identity id = LegacyTool();
    id.romVersion = c.toolRom;
    id.flashVersion = c.toolFlash;
    tool->SetIdentity(id);
    tool->storage().Clear();
    server->ClearRequests();
    ServeLegacy(c.serverRom, legacyRom, c.serverFlash, legacyFlash);

    ClickCheckUpdate();
    EXPECT_EQ(LastTold().count, c.count);
    EXPECT_EQ(Fetches("legacy/rom.bin"), c.rom ? 1 : 0);
    EXPECT_EQ(Fetches("legacy/flash.bin"), c.flash ? 1 : 0);
    EXPECT_EQ(Holds(FirmwareKind::kRom), c.rom);
    EXPECT_EQ(Holds(FirmwareKind::kFlash), c.flash);
    EXPECT_EQ(messages, std::vector<std::string>{c.rom || c.flash ? kFinished : kNothingNewer});
    if (c.rom != c.flash) {
      // One download: its gauge is its own file's size.
      ASSERT_GE(gaugeMaxima.size(), 2u);
      EXPECT_EQ(gaugeMaxima[1], static_cast<int>(c.rom ? legacyRom.size() : legacyFlash.size()));
    }
    ExpectIdle();
  }
}

TEST_F(CheckUpdate, FiveHundredFamilyPicksProductAndLanguageAndGetsEverything) {
  sim::DemoContent content = ExtendedContent();
  content.products = {"TQ520", "BRX450", "TQ480"};
  content.languages = {"EN", "DE"};
  ServeExtended(content);
  std::vector<std::string> productLists;
  std::vector<std::string> languageModels;
  services.pickLanguage = [&](const std::string& model, const std::vector<std::string>& languages,
                              int) -> std::optional<int> {
    languageModels.push_back(model);
    EXPECT_EQ(languages, (std::vector<std::string>{"EN", "DE"}));
    return 1;  // DE
  };
  services.pickCarType = [&](const std::vector<std::string>& products,
                             int preselected) -> std::optional<int> {
    for (const std::string& p : products) productLists.push_back(p);
    EXPECT_EQ(preselected, 0);  // the tool's own model
    return 1;                   // BRX450
  };
  // A 500-family tool that is as new as the offer, with the offered table: only the other
  // product makes the run fetch and burn anything.
  sim::Identity id = ExtendedTool();
  id.type = "TQ520";
  id.family500 = true;
  id.romVersion = "1.2.0";
  id.flashVersion = "2.1.0";
  const std::vector<PartEntry> offered = TableOf(kLayout);
  id.parts.assign(offered.begin(), offered.end());
  Open(id);

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(productLists, content.products);
  EXPECT_EQ(languageModels, std::vector<std::string>{"BRX450"});
  EXPECT_EQ(OfferQueries(), std::vector<std::string>{"BRX450_DE"});
  const Told told = LastTold();
  EXPECT_EQ(told.count, 2);
  EXPECT_EQ(told.type, "BRX450_DE");
  EXPECT_EQ(told.subtype, "EU");
  // Every image and every part, the first part last.
  EXPECT_EQ(tool->storage().Image(FirmwareKind::kRom), Bytes(rom));
  EXPECT_EQ(PartFetches(), (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(BurntPartAddresses(), (std::vector<uint32_t>{PartAddress(2), PartAddress(3),
                                                         PartAddress(4), PartAddress(1)}));
  ExpectIdle();
}

TEST_F(CheckUpdate, EachFailureShowsItsOneMessageAndEndsIdle) {
  struct Case {
    const char* name;
    bool extended;
    std::function<void(CheckUpdate&, sim::Identity&)> arrange;
    std::vector<std::string> messages;
    bool romBurnt = false;
    bool flashBurnt = false;
  };
  const std::string legacyRom = Pattern(3000, 6);  // 6 ROM blocks of 512
  const std::string legacyFlash = Pattern(5000, 7);
  auto toolFault = [](sim::Fault fault, uint16_t command, int skip = 0, int count = -1) {
    return [=](CheckUpdate& t, sim::Identity&) { t.tool->AddFault({fault, command, skip, count}); };
  };
  auto serverFault = [](const std::string& path, sim::SimFault fault) {
    return [=](CheckUpdate& t, sim::Identity&) { t.server->SetFault(path, fault); };
  };
  const sim::SimFault notFound = Status(404);
  sim::SimFault wrongDigest;
  wrongDigest.wrongDigest = true;
  const uint16_t kBurn = kCmdBurnBlock.code;
  const uint16_t kSize = kCmdNotifyFirmwareSize.code;

  const Case cases[] = {
      {"device info",
       true,
       toolFault(sim::Fault::kWrongCode, kCmdRequestDeviceInfo.code),
       {kDeviceInfoFailed}},
      {"update server", true, serverFault(kUpdateEndpoint, Status(500)), {kServerFailed}},
      {"legacy server", false, serverFault(kLegacyEndpoint, Status(500)), {kServerFailed}},
      {"500-family product list",
       true,
       [](CheckUpdate& t, sim::Identity& id) {
         id.family500 = true;
         std::filesystem::remove(t.Root() + "/products.json");
       },
       {kFlashDownloadFailed}},
      {"latest version notice",
       true,
       toolFault(sim::Fault::kBadStatus, kCmdNotifyLatestVersion.code),
       {kNotifyVersionFailed}},
      {"ROM download", true, serverFault("/rom/TQ460.rom", notFound), {kRomDownloadFailed}},
      {"ROM size",
       true,
       [](CheckUpdate& t, sim::Identity&) {
         t.EditReply("update/default.json", "{size:rom/TQ460.rom}", "5999");
       },
       {kRomSizeFailed}},
      {"ROM digest", true, serverFault("/rom/TQ460.rom", wrongDigest), {kRomMd5Failed}},
      {"first FLASH part download",
       true,
       serverFault("/flash/TQ460_1.fls", notFound),
       {kFlashDownloadFailed}},
      {"changed FLASH part digest",
       true,
       serverFault("/flash/TQ460_3.fls", wrongDigest),
       {kFlashMd5Failed}},
      {"unusable part table",
       true,
       [](CheckUpdate& t, sim::Identity&) {
         std::string first = t.parts[0];
         first[kPartTableOffset] = 0;
         first[kPartTableOffset + 1] = 1;  // N = 1 describes no part
         t.Serve("flash/TQ460_1.fls", first);
       },
       {kFlashDownloadFailed}},
      {"ROM size notice, the FLASH still comes",
       true,
       toolFault(sim::Fault::kBadStatus, kSize, 0, kCmdNotifyFirmwareSize.attempts),
       {kNotifySizeFailed, kFinished},
       false,
       true},
      {"ROM burn", true, toolFault(sim::Fault::kBadStatus, kBurn), {kRomBurnFailed}},
      {"part burn", true, toolFault(sim::Fault::kBadStatus, kBurn, 12), {kFlashBurnFailed}, true},
      {"part-list size notice",
       true,
       toolFault(sim::Fault::kBadStatus, kSize, 1),
       {kFlashBurnFailed},
       true},
      {"legacy ROM download",
       false,
       serverFault("/legacy/rom.bin", notFound),
       {kRomDownloadFailed}},
      {"legacy ROM size",
       false,
       [&](CheckUpdate& t, sim::Identity&) {
         t.OfferLegacy("1.1.0", "/legacy/rom.bin", legacyRom.size() + 1, "1.1.0",
                       "/legacy/flash.bin", legacyFlash.size());
       },
       {kRomSizeFailed}},
      {"legacy ROM trailer",
       false,
       [&](CheckUpdate& t, sim::Identity&) {
         t.ServeLegacy("1.1.0",
                       WithTrailer(legacyRom, t.dir.path(), test::TrailerKind::kWrongDigest),
                       "1.1.0", legacyFlash);
       },
       {kRomMd5Failed}},
      {"legacy FLASH download",
       false,
       serverFault("/legacy/flash.bin", notFound),
       {kFlashDownloadFailed}},
      {"legacy FLASH size",
       false,
       [&](CheckUpdate& t, sim::Identity&) {
         t.OfferLegacy("1.1.0", "/legacy/rom.bin", legacyRom.size(), "1.1.0", "/legacy/flash.bin",
                       legacyFlash.size() - 1);
       },
       {kFlashSizeFailed}},
      {"legacy FLASH trailer",
       false,
       [&](CheckUpdate& t, sim::Identity&) {
         t.ServeLegacy("1.1.0", legacyRom, "1.1.0",
                       WithTrailer(legacyFlash, t.dir.path(), test::TrailerKind::kWrongDigest));
       },
       {kFlashMd5Failed}},
      {"ROM and FLASH of one file name",
       false,
       [&](CheckUpdate& t, sim::Identity&) {
         t.Serve("legacy/rom/image.bin", legacyRom);
         t.Serve("legacy/flash/image.bin", legacyFlash);
         t.OfferLegacy("1.1.0", "/legacy/rom/image.bin", legacyRom.size(), "1.1.0",
                       "/legacy/flash/image.bin", legacyFlash.size());
       },
       {kFlashDownloadFailed}},
      {"legacy ROM-only size notice",
       false,
       [&](CheckUpdate& t, sim::Identity& id) {
         id.flashVersion = "1.1.0";  // nothing newer for the FLASH
         t.tool->AddFault({sim::Fault::kBadStatus, kCmdNotifyFirmwareSize.code, 0, -1});
       },
       {kNotifySizeFailed}},
      {"legacy FLASH size notice after the ROM",
       false,
       toolFault(sim::Fault::kBadStatus, kSize, 1),
       {kNotifySizeFailed, kFinished},
       true},
      {"legacy ROM burn", false, toolFault(sim::Fault::kBadStatus, kBurn), {kRomBurnFailed}},
      {"legacy FLASH burn",
       false,
       toolFault(sim::Fault::kBadStatus, kBurn, 6),
       {kFlashBurnFailed},
       true},
  };

  Open(LegacyTool());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A fresh start: no files left from the last case, the offers and tool as they came.
    std::filesystem::remove_all(tmp);
    std::filesystem::create_directories(tmp);
    ResetPickers();
    server->ClearFaults();
    server->ClearRequests();
    ServeExtended(ExtendedContent());
    ServeLegacy("1.1.0", legacyRom, "1.1.0", legacyFlash);
    tool->ClearFaults();
    tool->storage().Clear();
    sim::Identity id = c.extended ? ExtendedTool() : LegacyTool();
    c.arrange(*this, id);
    tool->SetIdentity(id);

    ClickCheckUpdate();
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(statusAtMessages, c.messages);  // the outcome, not the step that failed
    EXPECT_EQ(Holds(FirmwareKind::kRom), c.romBurnt);
    EXPECT_EQ(Holds(FirmwareKind::kFlash), c.flashBurnt);
    ExpectIdle();
  }
}

TEST_F(CheckUpdate, ClosingDuringADownloadEndsTheRun) {
  ServeExtended(ExtendedContent());
  // The ROM arrives slowly; the window closes once its data flows.
  sim::SimFault slow;
  slow.chunkBytes = 500;
  slow.chunkDelayMs = 20;
  server->SetFault("/rom/TQ460.rom", slow);
  Open(ExtendedTool());
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (form->findChild<QLabel*>(QStringLiteral("Label_Status"))->text() ==
        QStringLiteral("Downloading files from internet...")) {
      closer.stop();
      form->close();
    }
  });
  closer.start();

  ClickCheckUpdate();
  EXPECT_TRUE(form->state().appClosing);
  EXPECT_EQ(messages, std::vector<std::string>{kRomDownloadFailed});
  EXPECT_EQ(tool->RequestCount(kCmdNotifyFirmwareSize.code), 0);
  EXPECT_TRUE(tool->storage().Blocks().empty());
  EXPECT_EQ(form->state().upgradeMode, 0);
  EXPECT_EQ(form->state().progressMode, 0);
}

TEST_F(CheckUpdate, ClosingDuringABurnEndsTheRun) {
  ServeExtended(ExtendedContent());
  // At the line's pace: window events run at most every few milliseconds during a burn, so an
  // instant tool could finish the short ROM before the close is seen.
  Open(ExtendedTool(), true);
  QTimer closer;
  closer.setInterval(0);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (tool->storage().Blocks().size() >= 3) {
      closer.stop();
      form->close();
    }
  });
  closer.start();

  ClickCheckUpdate();
  EXPECT_TRUE(form->state().appClosing);
  EXPECT_EQ(messages, std::vector<std::string>{kRomBurnFailed});
  EXPECT_FALSE(Holds(FirmwareKind::kRom));
  EXPECT_FALSE(Holds(FirmwareKind::kFlash));
  EXPECT_LT(tool->storage().Blocks().size(), rom.size() / 512);
  EXPECT_EQ(form->state().upgradeMode, 0);
}

TEST_F(CheckUpdate, WithoutInternetNothingIsTouched) {
  ServeExtended(ExtendedContent());
  Open(ExtendedTool());
  form->state().internetConnected = false;
  const QString status = form->findChild<QLabel*>(QStringLiteral("Label_Status"))->text();
  gauge->setValue(42);

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kNoInternet});
  EXPECT_EQ(tool->RequestCount(kCmdRequestDeviceInfo.code), 0);
  EXPECT_TRUE(server->Requests().empty());
  EXPECT_EQ(form->curGauge(), nullptr);
  EXPECT_EQ(form->curStatusLabel(), nullptr);
  EXPECT_EQ(gauge->value(), 42);
  EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("Label_Status"))->text(), status);
  ExpectIdle();
}

TEST_F(CheckUpdate, DemoBurnsTheChangedPartThenFindsNothingNewer) {
  ASSERT_TRUE(sim::WriteDemoContent(Root()));
  Open(sim::DemoIdentity());

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  EXPECT_EQ(statusAtMessages, std::vector<std::string>{kFinished});
  ExpectIdle();
  const std::vector<std::string> demoParts = sim::PartedFlashFiles(sim::DemoFlashLayout());
  std::vector<uint32_t> burnt = BurntPartAddresses();
  const std::vector<PartEntry> table = TableOf(sim::DemoFlashLayout());
  EXPECT_EQ(burnt, (std::vector<uint32_t>{PartEntryAddress(table[3]), 0}));
  EXPECT_EQ(tool->storage().Flash()[PartEntryAddress(table[3])], Bytes(demoParts[2]));
  EXPECT_TRUE(Holds(FirmwareKind::kRom));

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kNothingNewer});
  EXPECT_EQ(statusAtMessages, std::vector<std::string>{kNothingNewer});
  EXPECT_EQ(LastTold().count, 0);
  ExpectIdle();
}

// The tool's hot-plug in the demo configuration: the window finds the emulated tool by its link
// and follows the link's folder, so a tool that goes away and comes back (pulled out, or
// restarting after an upgrade) shows in the status line at once and works again afterwards.
class HotPlug : public CheckUpdate {
 public:
  void SetUp() override {
    CheckUpdate::SetUp();
    ASSERT_TRUE(sim::WriteDemoContent(Root()));
    config.demoDevicePath = link;
  }

  // The demo's tool at its link, then the window, which finds it there.
  void OpenAtLink(int restartAfterBurnMs) {
    sim::Options options;
    options.linkPath = link;
    options.identity = sim::DemoIdentity();
    options.restartAfterBurnMs = restartAfterBurnMs;
    options.restartDownMs = 600;
    tool = std::make_unique<sim::ScanToolSim>(options);
    ASSERT_TRUE(tool->Start());
    form = std::make_unique<TFormMain>(config, services);
    dialogs_.InstallOn(form.get());
    // Built now, as a visit would: its buttons must follow the run as well.
    form->page(PageId::kLocalUpgrade);
    ASSERT_GT(form->state().comPort, 0);
    form->state().internetConnected = true;
    gauge = form->findChild<QProgressBar*>(QStringLiteral("ProgressBar10"));
    ASSERT_NE(gauge, nullptr);
  }

  std::string Status() const {
    return form->findChild<QLabel*>(QStringLiteral("Label_Status"))->text().toStdString();
  }

  // Lets the event loop run until the status line reads `text`; the milliseconds it took, or
  // nothing after `limitMs`.
  std::optional<qint64> WaitForStatus(const std::string& text, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (Status() != text) {
      if (clock.elapsed() > limitMs) return std::nullopt;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return clock.elapsed();
  }

  const std::string link = dir.File("tty");
};

TEST_F(HotPlug, StatusFollowsTheLinkAndCheckUpdateWorksAfterItsReturn) {
  OpenAtLink(0);
  const int port = form->state().comPort;
  const std::string connected = ConnectedStatusText(TextTable{}, port);
  EXPECT_EQ(Status(), connected);

  tool->Unplug();
  const std::optional<qint64> gone = WaitForStatus(kNoTool, 1000);
  ASSERT_TRUE(gone.has_value()) << "still: " << Status();
  EXPECT_EQ(form->state().comPort, 0);
  EXPECT_FALSE(form->findChild<QWidget*>(QStringLiteral("Label_CheckUpdate"))->isEnabled());

  ASSERT_TRUE(tool->Replug());
  const std::optional<qint64> back = WaitForStatus(connected, 1000);
  ASSERT_TRUE(back.has_value()) << "still: " << Status();
  EXPECT_EQ(form->state().comPort, port) << "the same link keeps its number";

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  EXPECT_TRUE(tool->storage().Image(FirmwareKind::kRom).has_value());
}

// As in `make demo`: the tool restarts by itself after the upgrade; the status line shows it
// gone and back, and the next Check Update talks to the restarted tool.
TEST_F(HotPlug, ToolRestartingAfterTheUpgradeIsFollowed) {
  OpenAtLink(400);
  const std::string connected = ConnectedStatusText(form->state().langText, form->state().comPort);
  ASSERT_EQ(Status(), connected);

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  ASSERT_TRUE(WaitForStatus(kNoTool, 2000).has_value()) << "still: " << Status();
  ASSERT_TRUE(WaitForStatus(connected, 2000).has_value()) << "still: " << Status();

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kNothingNewer});
}

// A tool pulled out during its burn: the status line says so at once, while the run still waits
// for the tool, and keeps saying so after the run's failure message.
TEST_F(HotPlug, ToolPulledOutDuringTheBurnShowsAtOnce) {
  OpenAtLink(0);
  QElapsedTimer sincePulled;
  bool shownWhileRunning = false;
  QTimer puller;
  puller.setInterval(0);
  QObject::connect(&puller, &QTimer::timeout, [&] {
    if (!sincePulled.isValid()) {
      if (tool->storage().Blocks().size() >= 2) {
        tool->Unplug();
        sincePulled.start();
      }
    } else if (Status() == kNoTool) {
      shownWhileRunning = form->state().upgradeMode == 10;
      puller.stop();
    }
  });
  puller.start();

  ClickCheckUpdate();
  ASSERT_TRUE(sincePulled.isValid());
  EXPECT_TRUE(shownWhileRunning);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(Status(), kNoTool);
  EXPECT_EQ(form->state().comPort, 0);
}

}  // namespace
}  // namespace vortik

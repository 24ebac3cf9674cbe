// The tool's hot-plug in the demo configuration: the window finds the emulated tool by its link
// and follows the link's folder, so a tool that goes away and comes back (pulled out, or
// restarting after an upgrade) shows in the status line at once and works again afterwards.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/form_main.h"
#include "app/message_box.h"
#include "base/app_config.h"
#include "base/pending_events.h"
#include "device/device_globals.h"
#include "device/port_discovery.h"
#include "helpers/click.h"
#include "net/catalogue.h"
#include "net/pickers.h"
#include "scantool_sim.h"
#include "update_server_sim.h"
#include "upgrade/firmware_fixtures.h"
#include "upgrade/internet_upgrade.h"

namespace vortik {
namespace {

const std::string kIdle = "Please connect the device to the computer";
const std::string kFinished = "Upgrade finished!";
const std::string kNothingNewer = "Nothing to be upgrade, The local device is alread the latest!";

class HotPlug : public ::testing::Test {
 public:
  void SetUp() override {
    tmp = dir.File("tmp");
    ASSERT_TRUE(std::filesystem::create_directories(tmp));
    if (const char* old = getenv("TMPDIR")) oldTmp = old;
    setenv("TMPDIR", tmp.c_str(), 1);
    server = std::make_unique<sim::UpdateServerSim>(dir.File("server"));
    ASSERT_TRUE(sim::WriteDemoContent(server->Root()));
    ASSERT_TRUE(server->Start());
    savedConfig = Config();
    AppConfig config = savedConfig;
    config.updateServer = server->BaseUrl();
    config.legacyServer = server->BaseUrl();
    config.loopbackCountsAsConnected = true;
    config.demoDevicePath = link;
    SetConfig(config);
    Device() = DeviceGlobals{};
    Catalogue() = CatalogueState{};
    UpgradeTables().Clear();
    SetPendingEventsHandler([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    SetMessageBoxHook([this](const QString& text) { messages.push_back(text.toStdString()); });
  }

  void TearDown() override {
    form.reset();
    tool.reset();
    SetMessageBoxHook(nullptr);
    SetPendingEventsHandler(nullptr);
    SetProductPickers({});
    SetConfig(savedConfig);
    server.reset();
    if (oldTmp) {
      setenv("TMPDIR", oldTmp->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  void StartTool(int restartAfterBurnMs) {
    sim::Options options;
    options.linkPath = link;
    options.identity = sim::DemoIdentity();
    options.restartAfterBurnMs = restartAfterBurnMs;
    options.restartDownMs = 600;
    tool = std::make_unique<sim::ScanToolSim>(options);
    ASSERT_TRUE(tool->Start());
  }

  std::string Status() const { return form->Label_Status->text().toStdString(); }

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

  void ClickCheckUpdate() {
    messages.clear();
    auto* label = form->findChild<QLabel*>(QStringLiteral("Label_CheckUpdate"));
    ASSERT_NE(label, nullptr);
    test::SendLeftClick(label, QRectF(label->rect()).center());
  }

  test::ScopedTempDir dir;
  const std::string link = dir.File("tty");
  std::string tmp;
  std::optional<std::string> oldTmp;
  std::unique_ptr<sim::UpdateServerSim> server;
  AppConfig savedConfig;
  std::unique_ptr<sim::ScanToolSim> tool;
  std::unique_ptr<TFormMain> form;
  std::vector<std::string> messages;
};

TEST_F(HotPlug, StatusFollowsTheLinkAndCheckUpdateWorksAfterItsReturn) {
  StartTool(0);
  form = std::make_unique<TFormMain>();
  const int port = form->state().comPort;
  ASSERT_GT(port, 0);
  form->state().internetConnected = true;
  const std::string connected = ConnectedStatusText(port);
  EXPECT_EQ(Status(), connected);

  tool->Unplug();
  const std::optional<qint64> gone = WaitForStatus(kIdle, 1000);
  ASSERT_TRUE(gone.has_value()) << "still: " << Status();
  EXPECT_EQ(form->state().comPort, 0);
  EXPECT_FALSE(form->findChild<QWidget*>(QStringLiteral("Label_CheckUpdate"))->isEnabled());

  ASSERT_TRUE(tool->Replug());
  const std::optional<qint64> back = WaitForStatus(connected, 1000);
  ASSERT_TRUE(back.has_value()) << "still: " << Status();
  EXPECT_EQ(form->state().comPort, port) << "the same link keeps its number";
  std::printf("status line: gone after %lld ms, back after %lld ms\n",
              static_cast<long long>(*gone), static_cast<long long>(*back));

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  EXPECT_TRUE(tool->storage().Image(FirmwareKind::kRom).has_value());
}

// As in `make demo`: the tool restarts by itself after the upgrade; the status line shows it
// gone and back, and the next Check Update talks to the restarted tool.
TEST_F(HotPlug, ToolRestartingAfterTheUpgradeIsFollowed) {
  StartTool(400);
  form = std::make_unique<TFormMain>();
  const std::string connected = ConnectedStatusText(form->state().comPort);
  ASSERT_EQ(Status(), connected);
  form->state().internetConnected = true;

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kFinished});
  ASSERT_TRUE(WaitForStatus(kIdle, 2000).has_value()) << "still: " << Status();
  ASSERT_TRUE(WaitForStatus(connected, 2000).has_value()) << "still: " << Status();

  ClickCheckUpdate();
  EXPECT_EQ(messages, std::vector<std::string>{kNothingNewer});
}

}  // namespace
}  // namespace vortik

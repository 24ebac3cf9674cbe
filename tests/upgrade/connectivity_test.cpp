#include "upgrade/connectivity.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "platform/connectivity.h"

namespace vortik {
namespace {

// Records what the indicator asks of the window, one line per request.
class RecordingView : public IndicatorView {
 public:
  void DrawPlateAndIcon(const char* plate, const char* icon) override {
    calls.push_back(std::string("draw ") + plate + " " + icon);
  }
  void DrawIcon(const char* icon) override { calls.push_back(std::string("icon ") + icon); }
  void SetPollInterval(int ms) override { calls.push_back("poll " + std::to_string(ms)); }
  void SetBlinking(bool on) override { calls.push_back(on ? "blink on" : "blink off"); }
  void SetCaption(const std::string& text) override { calls.push_back("caption " + text); }
  void PlaceCaption(bool connected) override {
    calls.push_back(connected ? "place connected" : "place disconnected");
  }
  std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

TEST(InternetIndicator, FirstUpdateDrawsThenOnlyChangesDraw) {
  MainState state;
  RecordingView view;
  InternetIndicator indicator;
  indicator.Update(false, state, view);  // internetConnected is already false: still drawn
  EXPECT_EQ(view.calls,
            (Calls{"draw png:internet_connected_text0 png:internet_connected_icon0", "poll 5000",
                   "blink off", "caption Internet Disconnected", "place disconnected"}));
  view.calls.clear();
  indicator.Update(false, state, view);
  EXPECT_TRUE(view.calls.empty());

  state.langText[46] = "Internet verbunden";
  indicator.Update(true, state, view);
  EXPECT_EQ(view.calls,
            (Calls{"draw png:internet_connected_text2 png:internet_connected_icon2", "poll 15000",
                   "blink on", "caption Internet verbunden", "place connected"}));
  EXPECT_TRUE(state.internetConnected);
  view.calls.clear();
  indicator.Update(true, state, view);
  EXPECT_TRUE(view.calls.empty());

  indicator.Update(false, state, view);
  EXPECT_FALSE(state.internetConnected);
  EXPECT_EQ(view.calls[1], "poll 5000");
  EXPECT_EQ(view.calls[2], "blink off");
}

TEST(InternetIndicator, BlinksOnlyWhenConnectedOnTheFirstTab) {
  MainState state;
  state.curTab = 2;
  RecordingView view;
  InternetIndicator indicator;
  indicator.Update(true, state, view);
  EXPECT_EQ(view.calls, (Calls{"draw png:internet_connected_text2 png:internet_connected_icon2",
                               "poll 15000", "caption Internet Connected", "place connected"}));

  view.calls.clear();
  for (int i = 0; i < 3; ++i) indicator.Blink(view);
  EXPECT_EQ(view.calls,
            (Calls{"icon png:internet_connected_icon3", "icon png:internet_connected_icon2",
                   "icon png:internet_connected_icon3"}));
}

TEST(InternetIndicator, PollIsFrozenDuringAnUpgrade) {
  MainState state;
  RecordingView view;
  InternetIndicator indicator;
  indicator.Update(true, state, view);
  view.calls.clear();

  int asked = 0;
  auto dropped = [&asked] {
    ++asked;
    return false;
  };
  state.upgradeMode = 10;
  indicator.Poll(dropped, state, view);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(view.calls.empty());
  EXPECT_TRUE(state.internetConnected);

  state.upgradeMode = 0;
  indicator.Poll(dropped, state, view);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(state.internetConnected);
  EXPECT_EQ(view.calls[1], "poll 5000");
}

TEST(NetworkConnection, NeedsAnInterfaceThatIsUpWithARoutableAddress) {
  using platform::InterfaceAddress;
  const InterfaceAddress lo{"lo", true, true, AF_INET, false};
  const InterfaceAddress ethUp{"eth0", true, false, AF_INET, false};
  const InterfaceAddress ethDown{"eth0", false, false, AF_INET, false};
  const InterfaceAddress linkLocal{"eth0", true, false, AF_INET6, true};
  const InterfaceAddress global6{"wlan0", true, false, AF_INET6, false};
  const InterfaceAddress noAddress{"eth1", true, false, 0, false};
  struct Case {
    const char* what;
    std::vector<InterfaceAddress> addresses;
    bool connected;
    bool connectedCountingLoopback;
  };
  const Case cases[] = {
      {"nothing", {}, false, false},
      {"loopback only", {lo}, false, true},
      {"an interface up with IPv4", {lo, ethUp}, true, true},
      {"the interface down", {lo, ethDown}, false, true},
      {"link-local only", {linkLocal}, false, false},
      {"global IPv6", {global6}, true, true},
      {"up without an address", {noAddress}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::AnyConnected(c.addresses, false), c.connected) << c.what;
    EXPECT_EQ(platform::AnyConnected(c.addresses, true), c.connectedCountingLoopback) << c.what;
  }
}

}  // namespace
}  // namespace vortik

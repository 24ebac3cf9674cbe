#include "upgrade/connectivity.h"

#include "base/app_config.h"
#include "platform/connectivity.h"

namespace vortik {

std::string InternetCaption(const MainState& state, bool connected) {
  const std::string& text =
      state.langText[connected ? kLangInternetConnected : kLangInternetDisconnected];
  if (!text.empty()) return text;
  return connected ? "Internet Connected" : "Internet Disconnected";
}

bool IsInternetConnected() {
  return platform::HasNetworkConnection(Config().loopbackCountsAsConnected);
}

void InternetIndicator::Update(bool connected, MainState& state, IndicatorView& view) {
  if (drawn_ && connected == state.internetConnected) return;
  view.DrawPlateAndIcon(connected ? kPlateConnected : kPlateDisconnected,
                        connected ? kIconConnected : kIconDisconnected);
  if (connected) {
    view.SetPollInterval(kInternetPollConnectedMs);
    if (state.curTab == 0) view.SetBlinking(true);
  } else {
    view.SetPollInterval(kInternetPollDisconnectedMs);
    view.SetBlinking(false);
  }
  state.internetConnected = connected;
  view.SetCaption(InternetCaption(state, connected));
  view.PlaceCaption(connected);
  drawn_ = true;
}

void InternetIndicator::Poll(const std::function<bool()>& isConnected, MainState& state,
                             IndicatorView& view) {
  if (state.upgradeMode != 0) return;
  Update(isConnected(), state, view);
}

void InternetIndicator::Blink(IndicatorView& view) {
  view.DrawIcon(blinkPhase_ ? kIconConnected : kIconBlink);
  blinkPhase_ = !blinkPhase_;
}

}  // namespace vortik

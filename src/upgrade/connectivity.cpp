#include "upgrade/connectivity.h"

namespace vortik {

std::string InternetCaption(const MainState& state, bool connected) {
  const TextId id = connected ? TextId::LabelInternetConnected : TextId::LabelInternetDisconnected;
  const std::string& text = state.langText[id];
  // An empty text in the file would leave the indicator without a caption.
  return text.empty() ? TextDefault(id) : text;
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
  if (state.upgradeMode != kUpgradeIdle) return;
  Update(isConnected(), state, view);
}

void InternetIndicator::Blink(IndicatorView& view) {
  view.DrawIcon(blinkPhase_ ? kIconConnected : kIconBlink);
  blinkPhase_ = !blinkPhase_;
}

}  // namespace vortik

// The internet connectivity indicator of the Internet Upgrade page: its states, the poll and
// blink rules, and what it asks of the window (no toolkit here, so tests drive it directly).
#pragma once

#include <functional>
#include <string>

#include "base/main_state.h"

namespace vortik {

inline constexpr int kInternetPollStartMs = 1000;
inline constexpr int kInternetPollConnectedMs = 15000;
inline constexpr int kInternetPollDisconnectedMs = 5000;
inline constexpr int kInternetBlinkMs = 800;

inline constexpr const char* kPlateConnected = "png:internet_connected_text2";
inline constexpr const char* kPlateDisconnected = "png:internet_connected_text0";
inline constexpr const char* kIconConnected = "png:internet_connected_icon2";
inline constexpr const char* kIconDisconnected = "png:internet_connected_icon0";
inline constexpr const char* kIconBlink = "png:internet_connected_icon3";

// What the indicator asks of the window.
class IndicatorView {
 public:
  virtual ~IndicatorView() = default;
  // Load the pictures (cached), draw them onto the plate and the icon, release them.
  virtual void DrawPlateAndIcon(const char* platePicture, const char* iconPicture) = 0;
  virtual void DrawIcon(const char* iconPicture) = 0;
  virtual void SetPollInterval(int ms) = 0;
  virtual void SetBlinking(bool on) = 0;
  virtual void SetCaption(const std::string& utf8) = 0;
  // Moves the caption onto the plate for the current language and state.
  virtual void PlaceCaption(bool connected) = 0;
};

// The caption for a state: the language text, or the English default while it is empty.
std::string InternetCaption(const MainState& state, bool connected);

class InternetIndicator {
 public:
  // Shows state `connected`; repeats of the shown state change nothing once drawn.
  void Update(bool connected, MainState& state, IndicatorView& view);
  // One poll tick: asks `isConnected` and shows the answer, unless an upgrade runs (then the
  // indicator is frozen and nothing is asked).
  void Poll(const std::function<bool()>& isConnected, MainState& state, IndicatorView& view);
  // One blink step: alternates the connected and the light icon, light first.
  void Blink(IndicatorView& view);

  bool drawn() const { return drawn_; }
  bool blinkPhase() const { return blinkPhase_; }

 private:
  bool drawn_ = false;
  bool blinkPhase_ = false;
};

}  // namespace vortik

// What flows (device commands, burns, downloads) ask of their front end (the main window, the
// command line); tests fake it.
#pragma once

#include <string>

#include "base/main_state.h"
#include "base/services.h"
#include "base/text_id.h"

namespace vortik {

class Host {
 public:
  virtual ~Host() = default;
  virtual MainState& state() = 0;
  // The pickers, download backend and device lister this front end built.
  virtual Services& services() = 0;
  // Progress goes to the gauge and status label chosen by SetUpgradeMode; none is a no-op.
  virtual void SetStatusText(const std::string& utf8) = 0;
  virtual void SetGaugeMax(int max) = 0;
  virtual void SetGaugePos(int pos) = 0;
  // One modal message box with one OK button.
  virtual void ShowMessage(const std::string& utf8) = 0;
  // Lets pending window events run (timers, clicks, the close request).
  virtual void ProcessEvents() = 0;
  virtual void SetUpgradeMode(int mode) = 0;
  virtual void ScanDevicePort() = 0;

  // The loaded text of `id` (its default before the language file is read).
  const std::string& Msg(TextId id) { return state().langText[id]; }
};

}  // namespace vortik

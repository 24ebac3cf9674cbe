#include "cli/cli_host.h"

#include <cstdio>

namespace vortik::cli {

CliHost::CliHost(bool bars) {
  if (bars) bar_ = std::make_unique<ProgressBar>(stderr);
}

void CliHost::SetStatusText(const std::string& utf8) {
  // The burn engine names its burns "Burning..." (the test transfer "Erasing..."), and sets the
  // gauge's maximum just before: that gauge counts blocks. Every other gauge is a download's,
  // in bytes.
  const bool burn =
      utf8.starts_with(Msg(TextId::MsgInfo7)) || utf8.starts_with(Msg(TextId::MsgInfo8));
  if (burn) {
    burnStarted_ = true;
    downloading_ = false;
    if (bar_) bar_->SetBlocks(true);
  } else if (utf8.starts_with(Msg(TextId::MsgInfo3)) || utf8.starts_with(Msg(TextId::MsgInfo4))) {
    downloading_ = true;
  }
  if (bar_) bar_->SetLabel(utf8);
}

void CliHost::SetGaugeMax(int max) {
  if (bar_) bar_->Start(max, false);
}

void CliHost::SetGaugePos(int pos) {
  if (bar_) bar_->Update(pos);
}

void CliHost::ProcessEvents() {
  if (Interrupted()) state_.appClosing = true;
}

void CliHost::EndProgress() {
  if (bar_) bar_->Finish();
}

}  // namespace vortik::cli

// The Internet Upgrade page's "Check Update": the whole internet upgrade of the connected tool.
#include "app/form_main.h"
#include "upgrade/internet_upgrade.h"

namespace vortik {

void TFormMain::Button_InternetUpdateClick() {
  RunInternetUpgrade(*this, SyncUart());
}

}  // namespace vortik

// The internet upgrade: the whole run behind "Check Update", its application-wide tables, the
// version comparison and the fetch of the FLASH parts.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/host.h"
#include "upgrade/flash_parts.h"
#include "upgrade/update_server.h"

namespace vortik {

class TSyncUart;

// The FLASH tables of the internet upgrade that outlive one run: what the update server offered
// and the parts selected for the burn. Every run empties them before it asks the tool.
struct InternetUpgradeTables {
  FlashPartTables offeredParts;  // URLs and digests of the "fls" list, and so its count
  FlashPartList selectedParts;   // the parts to burn, in burn order, with their local paths
  void Clear() {
    offeredParts.Clear();
    selectedParts.clear();
  }
};

// The one instance of this process.
InternetUpgradeTables& UpgradeTables();

// The whole internet upgrade behind "Check Update": asks the tool who it is, asks the matching
// server what is current (after the product and language choice for extended tools), tells the
// tool what is coming, fetches and verifies every image before anything is burnt, burns the ROM
// and then the FLASH (for extended tools only the changed parts, the part holding the table
// last), and reports the outcome. Without a connection it only says so; otherwise the window is
// busy from the first device step and, whatever happened, idle again at the end, followed by a
// fresh search for the tool's port, as a tool restarts after a burn.
void RunInternetUpgrade(Host& host, TSyncUart& uart);

// +1 when version text `a` is newer than `b`, -1 when older, 0 when they count as equal. Up to
// three '.'-separated components are compared as decimal numbers (leading blanks and a sign
// allowed, no digits read as 0); when either text runs out of components they count as equal,
// so "1.2" equals "1.2.7" and "1.2.3.4" equals "1.2.3.5".
int CompareVersions(std::string_view a, std::string_view b);

// Fetches the FLASH parts to burn. The first part (item 0 of `offered`) is fetched first, as it
// holds the part table; from it the parts are selected: all of them when `choiceChanged` is
// set, else those that differ from the tool's table in host.state(). Every selected part but
// the last is then fetched (reused when its digest still matches), and the last entry, always
// the first part, gets the first part's path. On success every entry of `list` has its local
// path and `flashBlockSize` is the multi-part block size. On failure one message has been shown.
bool DownloadFlashParts(Host& host, const FlashPartTables& offered, bool choiceChanged,
                        FlashPartList& list, uint16_t& flashBlockSize);

}  // namespace vortik

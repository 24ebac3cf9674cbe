// Pieces of the internet upgrade: the version comparison and the fetch of the FLASH parts.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/host.h"
#include "upgrade/flash_parts.h"
#include "upgrade/update_server.h"

namespace vortik {

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

// The internet upgrade: the whole run behind "Check Update", how its steps end, the version
// comparison and the fetch of the FLASH parts.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "base/app_config.h"
#include "base/host.h"
#include "upgrade/catalogue.h"
#include "upgrade/flash_parts.h"
#include "upgrade/update_server.h"

namespace vortik {

class TSyncUart;

// How a step of the run ended. kReady lets the run go on; every other outcome ends its step
// with at most one message (InternetUpgradeText), and all but kSizeRefused end the run.
enum class InternetUpgradeOutcome {
  kReady,               // everything is fetched and verified: the burns come next
  kNotConnected,        // no internet connection: the run does not start
  kNoDeviceInfo,        // the tool did not say who it is
  kNoProductChoice,     // the 500 family's product or language list could not be had
  kNoOffer,             // the update server gave no usable answer
  kVersionNotTaken,     // the tool did not take the latest versions
  kUpToDate,            // nothing newer and no other choice: nothing to fetch
  kRomFetchFailed,      // the ROM file did not arrive
  kRomWrongSize,        // ... arrived with another size than offered
  kRomWrongDigest,      // ... arrived with another digest than offered
  kFlashFetchFailed,    // the FLASH file (or a part) did not arrive
  kFlashWrongSize,      // the legacy FLASH file arrived with another size than offered
  kFlashWrongDigest,    // the FLASH file (or a part) arrived with another digest
  kFlashPartsUnusable,  // the offered parts and the first part's table do not fit together
  kFlashOverwritesRom,  // a FLASH file has the ROM's local name and replaced it
  kSizeRefused,         // the tool refused an image's size: that image is skipped
  kRomBurnFailed,       // a ROM block got no acknowledgement
  kFlashBurnFailed,     // a FLASH block (or the part list) got no acknowledgement
  kBurned,              // at least one image went in
  kNothingBurned,       // the burns ended without an image and without a failure
  kNoServer,            // the server the tool needs has no address configured: nothing is sent
};

// The message of an outcome; nothing for kReady and kNothingBurned.
std::optional<TextId> InternetUpgradeText(InternetUpgradeOutcome outcome);

// The whole internet upgrade behind "Check Update": asks the tool who it is, asks the matching
// server what is current (after the product and language choice for extended tools), tells the
// tool what is coming, fetches and verifies every image before anything is burnt, burns the ROM
// and then the FLASH (for extended tools only the changed parts, the part holding the table
// last), and reports the outcome. Without a connection, or with no server address configured,
// it only says so; otherwise the window is
// busy from the first device step and, whatever happened, idle again at the end, followed by a
// fresh search for the tool's port, as a tool restarts after a burn. `catalogue` is the product
// and language choice, which outlives the run: a legacy tool makes no choice of its own.
// `config` gives the servers' addresses.
void RunInternetUpgrade(Host& host, TSyncUart& uart, CatalogueState& catalogue,
                        const AppConfig& config);

// +1 when version text `a` is newer than `b`, -1 when older, 0 when they count as equal. Up to
// three '.'-separated components are compared as decimal numbers (leading blanks and a sign
// allowed, no digits read as 0); when either text runs out of components they count as equal,
// so "1.2" equals "1.2.7" and "1.2.3.4" equals "1.2.3.5".
int CompareVersions(std::string_view a, std::string_view b);

// Fetches the FLASH parts to burn. The first part (item 0 of `offered`) is fetched first, as it
// holds the part table; from it the parts are selected: all of them when `choiceChanged` is
// set, else those that differ from the tool's table in host.state(). Every selected part but
// the last is then fetched (reused when its digest still matches), and the last entry, always
// the first part, gets the first part's path. kReady when every entry of `list` has its local
// path and `flashBlockSize` is the multi-part block size; otherwise the failure's outcome.
InternetUpgradeOutcome DownloadFlashParts(Host& host, const FlashPartTables& offered,
                                          bool choiceChanged, FlashPartList& list,
                                          uint16_t& flashBlockSize);

}  // namespace vortik

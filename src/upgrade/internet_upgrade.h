// The internet upgrade: the whole run behind "Check Update", how its steps end, the version
// comparison and the fetch of the FLASH parts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  kStopped,             // the front end's gate ended the run before the tool heard of the offer
};

// The message of an outcome; nothing for kReady and kNothingBurned.
std::optional<TextId> InternetUpgradeText(InternetUpgradeOutcome outcome);

// What the run learnt once the server's offer was in: the tool's versions, the offered ones and
// which images the run would fetch and burn.
struct UpgradePlan {
  std::string romInstalled, flashInstalled;
  std::string romOffered, flashOffered;
  bool choiceChanged = false;  // another product or language was chosen: both images come
  bool doRom = false, doFlash = false;
};
// Asked once the offer is known, before the tool is told anything: false ends the run there
// (kStopped), with nothing shown, fetched or burnt. The window passes none and always goes on;
// the command line stops for `update --check`, a choice it cannot ask, or a refused
// confirmation.
using UpgradeGate = std::function<bool(const UpgradePlan& plan)>;

// What a run did, for a front end that reports more than the messages.
struct InternetUpgradeReport {
  std::vector<InternetUpgradeOutcome> shown;  // the outcomes whose message was shown, in order
  InternetUpgradeOutcome last = InternetUpgradeOutcome::kNothingBurned;  // how the run ended
  std::optional<UpgradePlan> plan;                                       // once the offer was in
  std::vector<std::string> fetched;  // local paths of the verified files, fetch order
  bool romBurnt = false, flashBurnt = false;
};

// The whole internet upgrade behind "Check Update": asks the tool who it is, asks the matching
// server what is current (after the product and language choice for extended tools), tells the
// tool what is coming, fetches and verifies every image before anything is burnt, burns the ROM
// and then the FLASH (for extended tools only the changed parts, the part holding the table
// last), and reports the outcome. Without a connection, or with no server address configured,
// it only says so; otherwise the window is
// busy from the first device step and, whatever happened, idle again at the end, followed by a
// fresh search for the tool's port, as a tool restarts after a burn. `catalogue` is the product
// and language choice, which outlives the run: a legacy tool makes no choice of its own.
// `config` gives the servers' addresses; `gate` (when given) may stop the run once the offer is
// known.
InternetUpgradeReport RunInternetUpgrade(Host& host, TSyncUart& uart, CatalogueState& catalogue,
                                         const AppConfig& config,
                                         const UpgradeGate& gate = nullptr);

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

// The update server's JSON offer: whatever the reply, a refused one leaves nothing behind and
// an accepted one keeps every field within the sizes the rest of the run relies on.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "upgrade/update_server.h"

using vortik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  vortik::UpdateOffer offer;
  offer.romVersion = "untouched";
  vortik::FlashPartTables parts;
  if (!vortik::ParseUpgradeReply(json, &offer, &parts)) {
    Check(offer.romVersion == "untouched" && parts.parts.empty(), "refused reply writes nothing");
    return 0;
  }
  Check(offer.romVersion.size() <= vortik::kOfferVersionMax, "ROM version size");
  Check(offer.flashVersion.size() <= vortik::kOfferVersionMax, "FLASH version size");
  Check(offer.romLocation.size() <= vortik::kOfferLocationMax, "ROM location size");
  Check(offer.romDigest.size() <= vortik::kOfferDigestLength, "ROM digest size");
  Check(parts.Count() <= vortik::kFlashPartMax, "part count");
  for (const auto& part : parts.parts) {
    Check(part.url.size() <= vortik::kOfferLocationMax, "part URL size");
    Check(part.digest.size() <= vortik::kOfferDigestLength, "part digest size");
  }
  return 0;
}

// The legacy server's '|'-separated reply and the number reader behind its lengths.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "upgrade/update_server.h"

using vortik::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  vortik::ReadServerNumber(reply);
  vortik::UpdateOffer offer;
  offer.romVersion = "untouched";
  if (!vortik::ParseLegacyUpgradeReply(reply, &offer)) {
    Check(offer.romVersion == "untouched", "refused reply writes nothing");
    return 0;
  }
  Check(offer.romVersion.size() <= vortik::kOfferVersionMax, "ROM version size");
  Check(offer.flashVersion.size() <= vortik::kOfferVersionMax, "FLASH version size");
  Check(offer.romLocation.size() <= vortik::kOfferLocationMax, "ROM location size");
  Check(offer.flashLocation.size() <= vortik::kOfferLocationMax, "FLASH location size");
  Check(offer.romLocation.find('|') == std::string_view::npos, "fields end at '|'");
  return 0;
}

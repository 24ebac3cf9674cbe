// The update server queries: the legacy server's '|'-separated check and the update server's
// JSON offer with its FLASH part list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/server_paths.h"

namespace vortik {

inline constexpr int kOfferVersionMax = 10;     // a version keeps its first 10 characters
inline constexpr int kOfferLocationMax = 199;   // a longer location refuses the whole reply
inline constexpr int kOfferDigestLength = 32;   // hexadecimal MD5 text
inline constexpr int kOfferLengthTextMax = 19;  // the JSON "length" text
inline constexpr int kFlashPartMax = 256;       // most "fls" items a reply may list

inline constexpr int kUpdateReplyCapacity = 51000;
inline constexpr int kUpdateTimeoutMs = 100000;
inline constexpr int kLegacyReplyCapacity = 260;
inline constexpr int kLegacyTimeoutMs = 5000;

// What a server offers for one tool. The update server fills the ROM fields and the FLASH
// version (its FLASH comes as parts); the legacy server fills everything but the ROM digest.
struct UpdateOffer {
  std::string romVersion;   // at most 10 characters
  std::string romLocation;  // full URL (update server) or path on the legacy server
  int32_t romLength = 0;
  std::string romDigest;      // the "md5" text from its second character, at most 32
  std::string flashVersion;   // at most 10 characters
  std::string flashLocation;  // legacy server only: path on the server
  int32_t flashLength = 0;    // legacy server only
};

// One item of the update server's "fls" list.
struct FlashPartOffer {
  std::string url;     // at most 199 characters
  std::string digest;  // the "md5" text from its second character, at most 32
};

// The FLASH parts the update server offers, in list order (index = "fls" list position).
struct FlashPartTables {
  std::vector<FlashPartOffer> parts;  // at most kFlashPartMax
  int Count() const { return static_cast<int>(parts.size()); }
  void Clear() { parts.clear(); }
};

// Asks the legacy server at `server` (its base address) for `productType` and `subtype`.
// True when the reply had its six fields; *offer is written only then.
bool CheckUpgradeLegacy(const std::string& server, const std::string& productType,
                        const std::string& subtype, UpdateOffer* offer);

// Asks the update server at `server`. True when the reply had every
// required member; *offer and *parts are written only then.
bool CheckUpgrade(const std::string& server, const std::string& productType,
                  const std::string& subtype, UpdateOffer* offer, FlashPartTables* parts);

// The reply parsers behind the two queries.
bool ParseLegacyUpgradeReply(std::string_view reply, UpdateOffer* offer);
bool ParseUpgradeReply(std::string_view json, UpdateOffer* offer, FlashPartTables* parts);

// Reads a length the way the servers' numbers are read: leading blanks and a sign allowed,
// stops at the first non-digit, no digits give 0; values beyond 32 bits stay at the limit.
int32_t ReadServerNumber(std::string_view text);

}  // namespace vortik

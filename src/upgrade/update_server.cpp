#include "upgrade/update_server.h"

#include <climits>
#include <memory>

#include "net/http_client.h"
#include "upgrade/server_json.h"

namespace vortik {

namespace {

std::string Version(std::string_view text) {
  return std::string(text.substr(0, kOfferVersionMax));
}

// The digest is the "md5" text from its second character on, 32 characters at most.
std::string Digest(std::string_view md5) {
  return md5.size() <= 1 ? std::string() : std::string(md5.substr(1, kOfferDigestLength));
}

bool LocationFits(std::string_view text) {
  return text.size() <= kOfferLocationMax;
}

std::string QueryBody(const std::string& productType, const std::string& subtype) {
  return "types=" + productType + "&subtype=" + subtype;
}

}  // namespace

int32_t ReadServerNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value <= INT32_MAX) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

bool ParseLegacyUpgradeReply(std::string_view reply, UpdateOffer* offer) {
  reply = reply.substr(0, reply.find('\0'));  // the reply is text
  // Field 0 (before the first '|') is ignored; fields 1 to 6 are the offer.
  std::string_view fields[6];
  size_t bar = reply.find('|');
  int bars = 0;
  for (int f = 0; f < 6 && bar != std::string_view::npos; ++f) {
    ++bars;
    size_t next = reply.find('|', bar + 1);
    fields[f] = reply.substr(
        bar + 1, next == std::string_view::npos ? std::string_view::npos : next - bar - 1);
    bar = next;
  }
  if (bars < 5) return false;
  if (!LocationFits(fields[1]) || !LocationFits(fields[4])) return false;
  UpdateOffer parsed;
  parsed.romVersion = Version(fields[0]);
  parsed.romLocation = std::string(fields[1]);
  parsed.romLength = ReadServerNumber(fields[2]);
  parsed.flashVersion = Version(fields[3]);
  parsed.flashLocation = std::string(fields[4]);
  parsed.flashLength = ReadServerNumber(fields[5]);
  *offer = std::move(parsed);
  return true;
}

bool ParseUpgradeReply(std::string_view json, UpdateOffer* offer, FlashPartTables* parts) {
  JsonDoc doc = ParseJson(json);
  if (!doc) return false;
  const char* code = StringMember(doc.get(), "code");
  if (code == nullptr || std::string_view(code) != "100") return false;
  const cJSON* data = ObjectMember(doc.get(), "data");
  if (data == nullptr) return false;

  UpdateOffer parsed;
  const cJSON* rom = ObjectMember(data, "rom");
  const cJSON* romList = rom != nullptr ? ArrayMember(rom, "list") : nullptr;
  if (romList == nullptr) return false;
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, romList) {  // each item overwrites the one before
    const char* url = StringMember(item, "url");
    const char* md5 = StringMember(item, "md5");
    const char* length = StringMember(item, "length");
    if (url == nullptr || md5 == nullptr || length == nullptr) return false;
    if (!LocationFits(url) || std::string_view(length).size() > kOfferLengthTextMax) return false;
    parsed.romLocation = url;
    parsed.romDigest = Digest(md5);
    parsed.romLength = ReadServerNumber(length);
  }
  const char* romVersion = StringMember(rom, "ver");
  if (romVersion == nullptr) return false;
  parsed.romVersion = Version(romVersion);

  const cJSON* fls = ObjectMember(data, "fls");
  const cJSON* flsList = fls != nullptr ? ArrayMember(fls, "list") : nullptr;
  if (flsList == nullptr || cJSON_GetArraySize(flsList) > kFlashPartMax) return false;
  FlashPartTables parsedParts;
  cJSON_ArrayForEach(item, flsList) {
    const char* url = StringMember(item, "url");
    const char* md5 = StringMember(item, "md5");
    if (url == nullptr || md5 == nullptr || !LocationFits(url)) return false;
    parsedParts.parts.push_back({url, Digest(md5)});
  }
  const char* flashVersion = StringMember(fls, "ver");
  if (flashVersion == nullptr) return false;
  parsed.flashVersion = Version(flashVersion);

  *offer = std::move(parsed);
  *parts = std::move(parsedParts);
  return true;
}

bool CheckUpgradeLegacy(const std::string& server, const std::string& productType,
                        const std::string& subtype, UpdateOffer* offer) {
  std::string reply;
  if (!HttpPostText(server + kLegacyServerPath, QueryBody(productType, subtype),
                    kLegacyReplyCapacity, kLegacyTimeoutMs, &reply)) {
    return false;
  }
  return ParseLegacyUpgradeReply(reply, offer);
}

bool CheckUpgrade(const std::string& server, const std::string& productType,
                  const std::string& subtype, UpdateOffer* offer, FlashPartTables* parts) {
  std::string reply;
  if (!HttpPostText(server + kUpdateServerPath, QueryBody(productType, subtype),
                    kUpdateReplyCapacity, kUpdateTimeoutMs, &reply)) {
    return false;
  }
  return ParseUpgradeReply(reply, offer, parts);
}

}  // namespace vortik

#include "upgrade/update_server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "helpers/update_server_fixture.h"
#include "update_server_sim.h"

namespace vortik {
namespace {

const std::string kMd5 = "0123456789abcdef0123456789abcdef";

TEST(ParseLegacyUpgradeReply, FieldsAfterTheFirstBar) {
  UpdateOffer offer;
  ASSERT_TRUE(ParseLegacyUpgradeReply(
      "anything|1.2.3|/up/rom.bin|1234| 2.0|/up/flash.bin|-56abc|extra|more", &offer));
  EXPECT_EQ(offer.romVersion, "1.2.3");
  EXPECT_EQ(offer.romLocation, "/up/rom.bin");
  EXPECT_EQ(offer.romLength, 1234);
  EXPECT_EQ(offer.flashVersion, " 2.0");
  EXPECT_EQ(offer.flashLocation, "/up/flash.bin");
  EXPECT_EQ(offer.flashLength, -56);
  EXPECT_TRUE(offer.romDigest.empty());
}

TEST(ParseLegacyUpgradeReply, BarCountsAndLimits) {
  UpdateOffer offer;
  ASSERT_TRUE(ParseLegacyUpgradeReply("x|1.0|/r|10|2.0|/f", &offer));  // five bars
  EXPECT_EQ(offer.flashLocation, "/f");
  EXPECT_EQ(offer.flashLength, 0);

  EXPECT_FALSE(ParseLegacyUpgradeReply("x|1.0|/r|10|2.0", &offer));  // four bars
  EXPECT_FALSE(ParseLegacyUpgradeReply("", &offer));

  ASSERT_TRUE(ParseLegacyUpgradeReply("x|1.2.3.4.5.6.7|/r|1|2.0|/f|2", &offer));
  EXPECT_EQ(offer.romVersion, "1.2.3.4.5.");  // first 10 characters

  const std::string longPath = "/" + std::string(kOfferLocationMax, 'p');  // 200 characters
  EXPECT_FALSE(ParseLegacyUpgradeReply("x|1|" + longPath + "|1|2|/f|2", &offer));
  EXPECT_FALSE(ParseLegacyUpgradeReply("x|1|/r|1|2|" + longPath + "|2", &offer));
  EXPECT_TRUE(ParseLegacyUpgradeReply("x|1|" + longPath.substr(1) + "|1|2|/f|2", &offer));
}

TEST(ReadServerNumber, LeadingBlanksSignAndLimits) {
  EXPECT_EQ(ReadServerNumber("  +42x"), 42);
  EXPECT_EQ(ReadServerNumber("-7"), -7);
  EXPECT_EQ(ReadServerNumber("abc"), 0);
  EXPECT_EQ(ReadServerNumber(""), 0);
  EXPECT_EQ(ReadServerNumber("9999999999999999999"), INT32_MAX);
  EXPECT_EQ(ReadServerNumber("-9999999999999999999"), INT32_MIN);
}

// An update server reply with the given rom items and fls items (JSON text each).
std::string Offer(const std::string& romItems, const std::string& flsItems,
                  const std::string& code = "\"100\"") {
  return "{\"code\":" + code + ",\"data\":{\"rom\":{\"ver\":\"1.2.3.4.5.6.7\",\"list\":[" +
         romItems + "]},\"fls\":{\"ver\":\"2.1\",\"list\":[" + flsItems + "]}}}";
}

std::string RomItem(const std::string& url, const std::string& md5, const std::string& length) {
  return "{\"url\":\"" + url + "\",\"md5\":\"" + md5 + "\",\"length\":" + length + "}";
}

std::string PartItem(int i) {
  return "{\"url\":\"http://s/p" + std::to_string(i) + ".fls\",\"md5\":\"X" + kMd5 + "\"}";
}

TEST(ParseUpgradeReply, ReadsRomAndParts) {
  UpdateOffer offer;
  FlashPartTables parts;
  const std::string json = Offer(RomItem("http://s/old.rom", "X" + kMd5, "\"1\"") + "," +
                                     RomItem("http://s/new.rom", "Y" + kMd5, "\"4096\""),
                                 PartItem(0) + "," + PartItem(1));
  ASSERT_TRUE(ParseUpgradeReply(json, &offer, &parts));
  EXPECT_EQ(offer.romLocation, "http://s/new.rom");  // the last item counts
  EXPECT_EQ(offer.romDigest, kMd5);                  // from the second character
  EXPECT_EQ(offer.romLength, 4096);
  EXPECT_EQ(offer.romVersion, "1.2.3.4.5.");
  EXPECT_EQ(offer.flashVersion, "2.1");
  ASSERT_EQ(parts.Count(), 2);
  EXPECT_EQ(parts.parts[1].url, "http://s/p1.fls");
  EXPECT_EQ(parts.parts[1].digest, kMd5);

  // Names in another letter case; a digest of exactly 32 characters loses its first one.
  const std::string upper =
      "{\"CODE\":\"100\",\"Data\":{\"ROM\":{\"Ver\":\"1\",\"LIST\":[{\"URL\":\"http://s/r\","
      "\"MD5\":\"" +
      kMd5 + "\",\"Length\":\"7\"}]},\"FLS\":{\"VER\":\"2\",\"List\":[]}}}";
  ASSERT_TRUE(ParseUpgradeReply(upper, &offer, &parts));
  EXPECT_EQ(offer.romDigest, kMd5.substr(1));
  EXPECT_EQ(parts.Count(), 0);  // an empty "fls" list is fine
}

TEST(ParseUpgradeReply, RefusesWrongOrOversizeReplies) {
  const std::string rom = RomItem("http://s/r.rom", "X" + kMd5, "\"10\"");
  std::string parts256;
  for (int i = 0; i < kFlashPartMax; ++i) parts256 += (i ? "," : "") + PartItem(i);
  const std::string url199 = "http://s/" + std::string(kOfferLocationMax - 9, 'u');

  struct Case {
    const char* name;
    std::string json;
    bool ok;
  };
  const Case cases[] = {
      {"code 101", Offer(rom, "", "\"101\""), false},
      {"code as a number", Offer(rom, "", "100"), false},
      {"length as a number", Offer(RomItem("http://s/r", "X" + kMd5, "10"), ""), false},
      {"rom item without md5", Offer("{\"url\":\"u\",\"length\":\"1\"}", ""), false},
      {"part without url", Offer(rom, "{\"md5\":\"X" + kMd5 + "\"}"), false},
      {"part that is not an object", Offer(rom, "\"p.fls\""), false},
      {"no fls", "{\"code\":\"100\",\"data\":{\"rom\":{\"ver\":\"1\",\"list\":[" + rom + "]}}}",
       false},
      {"not JSON", "<html>", false},
      {"19-character length", Offer(RomItem("u", "X", "\"0000000000000000042\""), ""), true},
      {"20-character length", Offer(RomItem("u", "X", "\"00000000000000000042\""), ""), false},
      {"199-character url", Offer(RomItem(url199, "X", "\"1\""), ""), true},
      {"200-character url", Offer(RomItem(url199 + "u", "X", "\"1\""), ""), false},
      {"part url of 200", Offer(rom, "{\"url\":\"" + url199 + "u\",\"md5\":\"X\"}"), false},
      {"256 parts", Offer(rom, parts256), true},
      {"257 parts", Offer(rom, parts256 + "," + PartItem(256)), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UpdateOffer offer;
    offer.romVersion = "unchanged";
    FlashPartTables parts;
    EXPECT_EQ(ParseUpgradeReply(c.json, &offer, &parts), c.ok);
    if (!c.ok) {
      EXPECT_EQ(offer.romVersion, "unchanged");
    }
  }
}

class UpdateServerQuery : public test::UpdateServerFixture {};

TEST_F(UpdateServerQuery, CheckUpgradePostsTheFormAndReadsTheOffer) {
  ASSERT_TRUE(sim::WriteSimFile(root_, "files/rom/a.rom", "ROMDATA"));
  ASSERT_TRUE(sim::WriteSimFile(
      root_, "update/TQ460_DE.json",
      Offer(RomItem("{base}/rom/a.rom", "0{md5:rom/a.rom}", "\"{size:rom/a.rom}\""), PartItem(0))));
  UpdateOffer offer;
  FlashPartTables parts;
  ASSERT_TRUE(CheckUpgrade(server_, "TQ460_DE", "01", &offer, &parts));
  EXPECT_EQ(offer.romLocation, sim_->BaseUrl() + "/rom/a.rom");
  EXPECT_EQ(offer.romLength, 7);
  EXPECT_EQ(offer.romDigest.size(), 32u);
  EXPECT_EQ(parts.Count(), 1);

  auto requests = sim_->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, kUpdateServerPath);
  EXPECT_EQ(requests[0].body, "types=TQ460_DE&subtype=01");

  sim::SimFault fault;
  fault.status = 500;
  sim_->SetFault(kUpdateServerPath, fault);
  EXPECT_FALSE(CheckUpgrade(server_, "TQ460_DE", "01", &offer, &parts));
}

TEST_F(UpdateServerQuery, CheckUpgradeLegacyPostsTheFormAndReadsTheLine) {
  ASSERT_TRUE(
      sim::WriteSimFile(root_, "legacy/default.txt", "OK|1.1|/l/rom.bin|99|2.2|/l/f.bin|77"));
  UpdateOffer offer;
  ASSERT_TRUE(CheckUpgradeLegacy(server_, "TQ100", "A", &offer));
  EXPECT_EQ(offer.romLocation, "/l/rom.bin");
  EXPECT_EQ(offer.flashLength, 77);
  auto requests = sim_->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].path, kLegacyServerPath);
  EXPECT_EQ(requests[0].body, "types=TQ100&subtype=A");

  // A reply cut inside its FLASH length (it announced more) is no reply: "7" is not "77".
  sim::SimFault cut;
  cut.truncateAfter = 35;
  sim_->SetFault(kLegacyServerPath, cut);
  offer = UpdateOffer{};
  EXPECT_FALSE(CheckUpgradeLegacy(server_, "TQ100", "A", &offer));
  EXPECT_EQ(offer.flashLength, 0);
  sim_->ClearFaults();

  std::filesystem::remove(root_ + "/legacy/default.txt");  // 404
  EXPECT_FALSE(CheckUpgradeLegacy(server_, "TQ100", "A", &offer));
}

}  // namespace
}  // namespace vortik

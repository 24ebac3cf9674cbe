#include "device/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vortik {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Reply(uint16_t code, const Bytes& payload) {
  Bytes frame(payload.size() + kFrameOverhead);
  BuildReplyFrame(frame.data(), code, payload.data(), static_cast<int>(payload.size()));
  return frame;
}

TEST(Frame, CrcCheckValue) {
  const char* digits = "123456789";
  EXPECT_EQ(FrameCrc16(reinterpret_cast<const uint8_t*>(digits), 9), 0x906E);
}

TEST(Frame, EmptyRequestsMatchTheKnownBytes) {
  uint8_t buffer[kFrameBufferSize];
  ASSERT_EQ(BuildFrame(buffer, kCmdQueryId.code, nullptr, 0), 10);
  EXPECT_EQ(Bytes(buffer, buffer + 10),
            (Bytes{0x40, 0x40, 0x0A, 0x00, 0x02, 0x01, 0xEB, 0xCA, 0x0D, 0x0A}));
  ASSERT_EQ(BuildFrame(buffer, kCmdRequestDeviceInfo.code, nullptr, 0), 10);
  EXPECT_EQ(Bytes(buffer, buffer + 10),
            (Bytes{0x40, 0x40, 0x0A, 0x00, 0x03, 0x01, 0x33, 0xD3, 0x0D, 0x0A}));
}

TEST(Frame, PayloadLaterFilledAndSealed) {
  uint8_t a[kFrameBufferSize];
  uint8_t b[kFrameBufferSize];
  const uint8_t payload[3] = {2, 7, 0};
  ASSERT_EQ(BuildFrame(a, kCmdBurnBlock.code, payload, 3), 13);
  // Without a payload the caller fills it and seals; the result is the same frame.
  std::memset(b, 0xEE, sizeof b);
  ASSERT_EQ(BuildFrame(b, kCmdBurnBlock.code, nullptr, 3), 13);
  EXPECT_EQ(b[11], 0x0D);
  EXPECT_EQ(b[12], 0x0A);
  EXPECT_EQ(b[9], 0xEE);  // CRC not written yet
  std::memcpy(b + kFramePayloadOffset, payload, 3);
  SealFrame(b, 13);
  EXPECT_EQ(Bytes(a, a + 13), Bytes(b, b + 13));
}

TEST(Frame, OversizedPayloadIsRefused) {
  std::vector<uint8_t> buffer(kFrameBufferSize + 16);
  EXPECT_EQ(BuildFrame(buffer.data(), kCmdBurnBlock.code, nullptr, kMaxRequestPayload),
            kFrameBufferSize);
  EXPECT_EQ(BuildFrame(buffer.data(), kCmdBurnBlock.code, nullptr, kMaxRequestPayload + 1), 0);
  EXPECT_EQ(BuildFrame(buffer.data(), kCmdBurnBlock.code, nullptr, -1), 0);
  EXPECT_EQ(kMaxBlockSize, 5107);
}

TEST(Frame, CheckFrameAcceptsGoodFramesAndIgnoresTrailingBytes) {
  Bytes good = Reply(ReplyCode(kCmdBurnBlock.code), {0, 1, 2});
  ASSERT_EQ(good.size(), 13u);
  EXPECT_EQ(CheckFrame(good.data(), 13), 13);
  Bytes longer = good;
  longer.insert(longer.end(), 7, 0x55);
  EXPECT_EQ(CheckFrame(longer.data(), 20), 13);
  // The same frame from the PC's side is never a tool frame, and vice versa.
  uint8_t request[kFrameBufferSize];
  BuildFrame(request, kCmdQueryId.code, nullptr, 0);
  EXPECT_EQ(CheckFrame(request, 10), 0);
  EXPECT_EQ(CheckRequestFrame(request, 10), 10);
  EXPECT_EQ(CheckRequestFrame(good.data(), 13), 0);
}

TEST(Frame, CheckFrameRejectsMalformedInput) {
  const Bytes good = Reply(ReplyCode(kCmdSetId.code), {0});  // 11 bytes
  struct Case {
    const char* what;
    Bytes bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"fewer than 10 bytes", Bytes(good.begin(), good.begin() + 9)});
  cases.push_back({"length field above available", Bytes(good.begin(), good.begin() + 10)});
  Bytes shortLength = good;
  shortLength[2] = 9;
  cases.push_back({"length field below 10", shortLength});
  Bytes noCr = good;
  noCr[9] = 0x0C;
  cases.push_back({"no CR at the end", noCr});
  Bytes noLf = good;
  noLf[10] = 0x00;
  cases.push_back({"no LF at the end", noLf});
  Bytes oneMarker = good;
  oneMarker[1] = '@';
  cases.push_back({"one marker byte wrong", oneMarker});
  Bytes requestMarkers = good;
  requestMarkers[0] = requestMarkers[1] = '@';
  SealFrame(requestMarkers.data(), 11);
  cases.push_back({"request markers with a good CRC", requestMarkers});
  for (int bit = 0; bit < 16; ++bit) {
    Bytes flipped = good;
    flipped[7 + bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
    cases.push_back({"CRC bit flipped", flipped});
  }
  Bytes payloadFlip = good;
  payloadFlip[6] ^= 0x80;
  cases.push_back({"payload changed under the CRC", payloadFlip});
  for (const Case& c : cases) {
    EXPECT_EQ(CheckFrame(c.bytes.data(), static_cast<uint32_t>(c.bytes.size())), 0) << c.what;
  }
  EXPECT_EQ(CheckFrame(nullptr, 100), 0);
}

TEST(Frame, ReplyRule) {
  uint8_t request[kFrameBufferSize];
  BuildFrame(request, kCmdSetId.code, reinterpret_cast<const uint8_t*>("000000000001"), 12);
  const Bytes ok = Reply(ReplyCode(kCmdSetId.code), {0});
  EXPECT_TRUE(ReplyAccepted(request, ok.data(), 11, 11, true));
  EXPECT_FALSE(ReplyAccepted(request, ok.data(), 10, 11, true)) << "short count";
  const Bytes refused = Reply(ReplyCode(kCmdSetId.code), {1});
  EXPECT_FALSE(ReplyAccepted(request, refused.data(), 11, 11, true)) << "status 1";
  EXPECT_TRUE(ReplyAccepted(request, refused.data(), 11, 11, false)) << "no status byte";
  const Bytes wrongCode = Reply(ReplyCode(kCmdQueryId.code), {0});
  EXPECT_FALSE(ReplyAccepted(request, wrongCode.data(), 11, 11, true));
  Bytes badCrc = ok;
  badCrc[7] ^= 1;
  EXPECT_FALSE(ReplyAccepted(request, badCrc.data(), 11, 11, true));
}

// The version notice: four 10-byte fields after the image count, each padded with NULs and cut
// at 10 bytes or at a NUL inside the text; only a payload of the exact length decodes.
TEST(VersionNotice, EncodesAndDecodesItsFourFields) {
  const std::array<uint8_t, kNotifyLatestVersionPayload> bytes =
      EncodeVersionNotice({2, "TQ460", "01", "1.2.10-long-text", std::string("1.0\0x", 5)});
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[1]), 6), std::string("TQ460\0", 6));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[21]), 10), "1.2.10-lon");
  EXPECT_EQ(bytes[35], 0) << "the text after a NUL is not sent";
  const std::optional<VersionNotice> back =
      DecodeVersionNotice(bytes.data(), kNotifyLatestVersionPayload);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->images, 2);
  EXPECT_EQ(back->type, "TQ460");
  EXPECT_EQ(back->subtype, "01");
  EXPECT_EQ(back->romVersion, "1.2.10-lon");
  EXPECT_EQ(back->flashVersion, "1.0");
  EXPECT_FALSE(DecodeVersionNotice(bytes.data(), kNotifyLatestVersionPayload - 1).has_value());
  EXPECT_FALSE(DecodeVersionNotice(nullptr, kNotifyLatestVersionPayload).has_value());
}

}  // namespace
}  // namespace vortik

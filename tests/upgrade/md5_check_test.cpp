#include "upgrade/md5_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "upgrade/firmware_file.h"
#include "upgrade/firmware_fixtures.h"

namespace vortik {
namespace {

using test::AppendMd5Trailer;
using test::ReadFileBytes;
using test::ScopedTempDir;
using test::TrailerKind;
using test::WriteFileText;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class Md5CheckTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir.path().empty()); }
  ScopedTempDir dir;
  std::string file = dir.File("image.bin");
};

TEST_F(Md5CheckTest, FileDigestMatchesRfc1321Vectors) {
  const std::vector<std::pair<std::string, std::string>> vectors = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      // Crosses many 1024-byte reads, with a partial last one.
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  for (const auto& [message, hex] : vectors) {
    SCOPED_TRACE(message.substr(0, 20));
    ASSERT_TRUE(WriteFileText(file, message));
    Md5Digest digest;
    ASSERT_TRUE(FileMd5(file, digest));
    EXPECT_EQ(Md5Hex(digest), hex);
    EXPECT_EQ(CheckFileMd5(file, hex), 0);
    EXPECT_EQ(CheckFileMd5(file, Upper(hex)), 0);
  }
}

TEST_F(Md5CheckTest, CheckFileMd5RejectsWhatDiffers) {
  // The digest of "zero49" begins with a zero byte: bytes after it must still be compared.
  ASSERT_TRUE(WriteFileText(file, "zero49"));
  const std::string good = "00bc82537154ca1394f90bae0fdeb1b1";
  EXPECT_EQ(CheckFileMd5(file, good), 0);
  EXPECT_EQ(CheckFileMd5(file, "00bc82537154ca1394f90bae0fdeb1b0"), -1);
  EXPECT_EQ(CheckFileMd5(file, "00"), -1);
  EXPECT_EQ(CheckFileMd5(file, ""), -1);
  EXPECT_EQ(CheckFileMd5(file, good.substr(0, 31)), -1);
  EXPECT_EQ(CheckFileMd5(file, std::string(32, 'x')), -1);
  EXPECT_EQ(CheckFileMd5(dir.File("absent"), good), -1);
  // Digits beyond the 32nd are not looked at.
  EXPECT_EQ(CheckFileMd5(file, good + "ffff"), 0);
  // A character that is not a hexadecimal digit fails the check even where a sloppy decoder
  // would turn it into the right byte ("aH" and "b1" both give 0xB1 as nibbles 10 and 17).
  EXPECT_EQ(CheckFileMd5(file, good.substr(0, 30) + "aH"), -1);
  EXPECT_EQ(CheckFileMd5(file, " " + good.substr(1)), -1);
}

TEST(HexToBytesTest, DecodesEitherCaseAndRefusesAnythingElse) {
  EXPECT_EQ(HexToBytes("00a1FfB9", 4), (std::vector<uint8_t>{0x00, 0xA1, 0xFF, 0xB9}));
  EXPECT_EQ(HexToBytes("0a", 1), HexToBytes("0A", 1));
  EXPECT_EQ(HexToBytes("0a1", 1), (std::vector<uint8_t>{0x0A}));  // the rest is not looked at
  const std::string_view refused[] = {"0G", "g0",       "+1",
                                      " 1", "\xC3\xA9", "a"};  // the last: shorter than one byte
  for (std::string_view text : refused) {
    SCOPED_TRACE(std::string(text));
    EXPECT_EQ(HexToBytes(text, 1), std::nullopt);
  }
}

TEST_F(Md5CheckTest, CheckFileSizeComparesTheLength) {
  ASSERT_TRUE(WriteFileText(file, std::string(1000, 'x')));
  EXPECT_EQ(CheckFileSize(file, 1000), 0);
  EXPECT_EQ(CheckFileSize(file, 999), -1);
  EXPECT_EQ(CheckFileSize(file, 1048), -1);
  // A missing file has no size at all, not a size of 0.
  EXPECT_EQ(CheckFileSize(dir.File("absent"), 0), -1);
  ASSERT_TRUE(WriteFileText(file, ""));
  EXPECT_EQ(CheckFileSize(file, 0), 0);
}

struct TrailerCase {
  const char* name;
  std::string body;
  bool appendTrailer;
  TrailerKind kind;
  int expected;
  size_t expectedSize;  // of the file afterwards
};

TEST_F(Md5CheckTest, TrailerIsVerifiedAndCut) {
  const std::string body(5000, 'b');
  const std::string withMarker = std::string(kMd5TrailerMarker) + std::string(32, 'a');
  const std::vector<TrailerCase> cases = {
      {"47 bytes, too short for a trailer", withMarker.substr(0, 47), false, {}, 1, 47},
      {"no marker", body, false, {}, 1, 5000},
      {"trailer bytes not at the end", withMarker + body, false, {}, 1, 5048},
      {"good, lower case", body, true, TrailerKind::kValidLower, 0, 5000},
      {"good, upper case", body, true, TrailerKind::kValidUpper, 0, 5000},
      {"good, empty image", "", true, TrailerKind::kValidLower, 0, 0},
      {"wrong digest", body, true, TrailerKind::kWrongDigest, -1, 5000},
      {"digits not hexadecimal", body, true, TrailerKind::kNotHex, -1, 5000},
  };
  for (const TrailerCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteFileText(file, c.body));
    if (c.appendTrailer) {
      ASSERT_TRUE(AppendMd5Trailer(file, c.kind));
    }
    const std::vector<uint8_t> before = ReadFileBytes(file);
    EXPECT_EQ(CheckMd5Trailer(file), c.expected);
    const std::vector<uint8_t> after = ReadFileBytes(file);
    ASSERT_EQ(after.size(), c.expectedSize);
    EXPECT_TRUE(std::equal(after.begin(), after.end(), before.begin()));
  }
  EXPECT_EQ(CheckMd5Trailer(dir.File("absent")), -1);
}

}  // namespace
}  // namespace vortik
